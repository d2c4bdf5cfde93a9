#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

// The option tables the template reader walks commands by, listed so that they can be held
// against what each installed program says of itself.
namespace ShellProgramOptions {

struct Table {
    // The program as a command names it; "git log" for a subcommand, "git" for the options
    // before it.
    QString program;
    // A program that runs another one with the rest of its words (env, sudo, timeout …).
    bool wrapper = false;
    // Options like find's "-name": whole words, never bundles of letters.
    bool singleDashLong = false;
    // Each option that takes words of its own, and how many.
    QHash<QString, int> arguments;
};

QList<Table> tables();

// How many words `option` takes where `program` (a program or a wrapper) reads it; 0 for a
// program without a table.
int wordsTaken(const QString& program, const QString& option);

// How the template reader walks a command: the tables behind tables() above.

// A program's options that take words of their own ("-d" of date takes the next word,
// "--arg" of jq the next two): there a value is the argument even when it begins with "-"
// ("date -d '-1 day'"). `singleDashLong`: options like find's "-name" are whole words, never
// bundles of letters.
struct Options {
    QHash<QString, int> arguments;
    bool singleDashLong = false;
    // python: the first operand (the script) and the word of "-c" or "-m" end the options;
    // what follows is the script's own.
    bool operandEnds = false;
    QSet<QString> ending;
    // Shells: "+o name" is an option as "-o name" is.
    bool plusOptions = false;
};

// Programs that run another program with the rest of their words: their own options come
// first, then `operands` words of their own, then (env, sudo) settings, then the command. A
// "--" ends only their own options.
struct Wrapper {
    Options own;
    int operands = 0;
    bool assignments = false;
    // Whether the command is handed to a shell as its script, where a value is code: sg's
    // always, watch's unless told to run it itself, sudo's with -s or -i.
    enum class Shell { never, always, unlessExec, withShellOption };
    Shell shell = Shell::never;
    // tmux: the first operand names a command, whose own options follow it; an option
    // whose word is a shell command ("tmux -c").
    const QHash<QString, Options>* subcommands = nullptr;
    QString codeOption;
    // Without a command it starts the user's shell, which reads its input as a script
    // (unshare, chroot, setarch …).
    bool shellWithoutCommand = false;
};

// "-d --date" or "--arg:2": a table's options and how many words each takes.
Options options(const char* list, bool singleDashLong = false);

// Each program's table, by the name a command calls it.
const QHash<QString, Options>& programs();
// git's options before the subcommand (under "") and those of each subcommand.
const QHash<QString, Options>& gitTables();
Options gitOptions(const QString& subcommand);
// tmux's commands that run a shell command, or type keys into a shell.
const QHash<QString, Options>& tmuxCommands();
const QHash<QString, Wrapper>& wrappers();
// Shells, which take a script; awk and its kin, which take a program.
bool isShell(const QString& program);
bool isAwk(const QString& program);
// Interpreters that, like a shell, take their program from the input when no file names it.
bool isInterpreter(const QString& program);

// What a program makes of the edges of a word it takes as a file name or an operand, besides
// options: syntax of its own, which a value must not carry there.
enum class NameSyntax {
    plain,
    // vi, less and their kin run "+command" as they start.
    plusCommand,
    // ed reads a file named "!command" as that command's output.
    bangCommand,
    // perl's two-argument open (the files of -n, -p and <>): "|" at either end, after blanks,
    // runs a command; "<", ">" and "+" at the start choose a mode.
    perlOpen,
    // sox and its kin read an input named "|command" from a shell, and fetch an address
    // (http:, https:, ftp:) through a shell command with the address in double quotes.
    soxOpen,
    // find: "!", "(", ")" and "," are operators of its expression, also where a start point
    // is expected.
    findExpression,
    // strace's output file: "|command" or "!command" pipes the trace to a shell's command.
    pipedOutput,
};
NameSyntax nameSyntax(const QString& program);
// sox, play and rec: the first word that names an effect ends the files; what follows are
// effects and their arguments.
bool namesSoxEffect(const QString& word);
bool takesSoxEffects(const QString& program);
// Programs whose every operand is a file name (not grep's, whose first is its pattern): "./"
// before a name that begins with "-" or a sign of their own keeps it a name.
bool takesFileNames(const QString& program);
// Programs that take negative numbers as arguments ("seq -5 5", "-5%" to pactl).
bool takesNegativeNumbers(const QString& program);
// Programs whose option parser takes "--" as the end of their options.
bool honoursEndOfOptions(const QString& program);
// Whether `word` names the long option `option` as getopt_long reads it: whole or cut short to
// at least `shortest` characters, with or without "=value".
bool abbreviates(const QString& word, const QString& option, qsizetype shortest);
// Whether `option` makes a word a shell's command, as su, runuser, script and flock read it:
// "-c" in a bundle of letters, or "--command" (su's "--session-command" too) cut short as
// getopt_long takes it. A prefix the program does not take (an ambiguous one, any for
// flock, which compares the whole word) makes it refuse the command, so reading it as one
// costs nothing.
bool namesCommandOption(const QString& option);
// What an option of the shell `shell` does: how many words after it it takes, as that shell
// reads its options (bash and the POSIX shells give each "o" of a bundle, and bash each "O",
// the next word; zsh and ksh give "o" the rest of its bundle, or the next word where nothing
// follows; bash's --rcfile and --init-file and zsh's --emulate take one), whether it makes
// the first operand the script ("c" among the flags) and whether the script comes from the
// input ("s").
struct ShellOption {
    int words = 0;
    bool command = false;
    bool input = false;
};
ShellOption shellOption(const QString& shell, const QString& option);
// The option of `program` whose word a shell runs, as written ("tar -I", "tar --to-command"),
// where `current` (quotes removed, as far as it goes) is that word, glued to the option or
// after `before` (the program's words before it, quotes removed); "" where it is none. tar runs the
// command of -I,
// --use-compress-program, --to-command, -F, --info-script, --new-volume-script, --rsh-command,
// --rmt-command and --checkpoint-action=exec= through a shell; strace opens an output file
// named "|command" or "!command" as a pipe to one, which its option's word may be glued into.
QString shellRunOption(const QString& program, const QStringList& before, const QString& current);
// How many words `option` takes in `table`: named there, or the last of a bundle of letters.
int wordsTaken(const Options& table, const QString& option);

}  // namespace ShellProgramOptions
