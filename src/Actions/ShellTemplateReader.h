#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

#include "Actions/ShellAssociativeArrays.h"
#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellValueFlow.h"
#include "Actions/ShellWordPieces.h"

// Follows a shell command template through bash's grammar (bash alone runs templates) far
// enough to say how it reads the text at a position: as an unquoted word, inside '…', inside
// "…", in a here-document, in a comment, or somewhere it evaluates a value once more as code
// or arithmetic. Values never stand in the text the shell parses (they arrive as arguments),
// so a misreading can only put the wrong quotes around a reference; the refusals must hold, so
// the reader stays in a refusing state wherever it is unsure where an enclosing construct
// ends. Besides, it notes every word a value may reach (WordSpot) with every program that may
// read it, and reads the script of a second shell the way it reads the template.
class ShellTemplateReader {
public:
    enum class Place {
        word,
        singleQuoted,
        doubleQuoted,
        hereDocument,        // the body of <<EOF: expanded, but quotes are plain characters
        quotedHereDocument,  // the body of <<'EOF': nothing is expanded there
        comment,
        refused,
    };

    // How a program reads the word at some position, besides as plain text.
    struct WordPlace {
        bool options = false;     // "-…" is an option
        bool echoOnly = false;    // echo: only "-n", "-e", "-E" and their combinations are
        bool assignment = false;  // "NAME=value" is a setting (env before its command, make, dd)
        bool numbers = false;     // a negative number is a number, not an option
        // What the program makes of the word's edges: "+command", "!command", "…|", "(".
        ShellProgramOptions::NameSyntax syntax = ShellProgramOptions::NameSyntax::plain;
        // A program the reader does not know may read the word: any edge some known program
        // reads as syntax counts ("+", "!", "|" at either end, a lone "(", ")" or ",").
        bool strict = false;
        // A redirection's target: bash itself opens "/dev/tcp/HOST/PORT" as a connection.
        bool redirection = false;
        // "+name" is an option too (ImageMagick).
        bool plusOptions = false;
        // sox: a word that names an effect starts one.
        bool soxEffects = false;
        // git push and fetch: ":" and "+" begin a refspec's instructions.
        bool refspec = false;
        // Settings (curl -K, ssh -F, a file git reads as its own): any text there is one.
        bool settings = false;
        // The name of a file a command writes what values may carry into: a value may not make
        // it one a program reads as its settings.
        bool settingsName = false;
        // The program the reader does not know that may run the one named in `program`.
        QString runner;
        bool expands = false;      // make: "$(…)" in the value of a "NAME=…" word runs
        bool dashOperand = false;  // a lone "-" is an operand (standard input, the last folder)
        // Who reads it, as written ("sort", "git log"), and whether a "--" of the template
        // would end the program's options there.
        QString program;
        bool endOfOptions = false;

        bool operator==(const WordPlace&) const = default;
    };

    // A word that may carry values, with every program that may read it: `places` for the word
    // itself, `next` for words a value splits off it.
    struct WordSpot {
        QList<ShellWordPieces::Piece> pieces;
        // The word as written in the template, and the word before it.
        QString written;
        QString previous;
        QList<WordPlace> places;
        QList<WordPlace> next;
        // xargs appends the words of its input after the command, each where the first stands.
        bool appended = false;

        bool operator==(const WordSpot&) const = default;
    };

    // Why a value may not stand somewhere, and the piece of the template concerned, as
    // written ("eval", "$((…))"); `values`: the values concerned where no placeholder stands.
    enum class Evaluation { code, arithmetic, name, unknownCommand, unmodelled, shellOption };
    struct Finding {
        Evaluation how = Evaluation::code;
        QString construct;
        ShellValueFlow::Values values;

        bool operator==(const Finding&) const = default;
    };

    // `whole` is the entire template, read piece by piece with read(): which variables it
    // sets anywhere decides whether a command word made of them is known. `flow` says where
    // its values may go besides their own places; `integers` are the values that are plain
    // integers, which arithmetic computes as themselves.
    explicit ShellTemplateReader(const QString& whole, ShellValueFlow::Flow flow = {},
                                 ShellValueFlow::Values integers = {});

    void read(QStringView text);

    // The template read so far with every character that bash takes as plain text (inside
    // quotes, comments and here-documents, outside any expansion there) turned into a
    // blank, and placeholders as they were: checks that ignore quoting read this instead.
    const QString& masked() const { return masked_; }

    // A value comes next: settles what the last characters began and says where it stands.
    Place placeOfValue();

    // The arrays the template makes associative where that holds ("declare -A"): their
    // subscripts are words, expanded once, not arithmetic.
    const ShellAssociativeArrays& associativeNames() const { return associativeNames_; }
    // Where the template's values may be.
    const ShellValueFlow::Flow& flow() const { return flow_; }

    // Why placeOfValue() last said Place::refused.
    const Finding& refusal() const { return refusal_; }

    // Whether the text so far ends in a backslash that applies to what follows.
    bool afterBackslash() const { return escaped_; }
    // Whether bash would drop a backslash and newline that came next, joining the lines:
    // everywhere but inside '…', $'…', a comment and a here-document whose delimiter is
    // quoted.
    bool joinsLines() const;

    // `reference` (the quoted reference "${tavrin_value_N}" to value number N) was put at the
    // current position in place of `placeholder`.
    void valueInserted(const QString& reference, QStringView placeholder);

    // The template has been read to its end.
    void finish();
    // Whether a command takes a variable's name from an expansion ("read $x"): any value
    // that reaches that variable would be evaluated. Asked after finish().
    bool evaluatesVariables() const { return evaluatesVariables_; }
    // The words that may carry values, with every program that may read each. Asked after
    // finish().
    const QList<WordSpot>& wordSpots() const { return wordSpots_; }
    // Values that a variable or a command's input brings where bash evaluates them once
    // more: after eval, in a second shell's script, a prompt. Asked after finish().
    const ShellValueFlow::Values& evaluatedThroughVariables() const { return evaluatedValues_; }
    // A value that a shell reads as its script from its input or a process substitution
    // ("echo {{a}} | sh", "sh <<< {{a}}"). Asked after finish().
    std::optional<qsizetype> scriptFromInput() const { return scriptFromInput_; }
    // The shell that would read it, as written.
    const QString& scriptReader() const { return scriptReader_; }
    // Where values reached through variables would be evaluated, as written ("eval").
    const QString& evaluatedConstruct() const { return evaluatedConstruct_; }
    // The command that takes a variable's name from an expansion.
    const QString& namesConstruct() const { return namesConstruct_; }
    // Values that reach a command whose program is unknown, or a construct the reader does
    // not model, without a placeholder standing there. Asked after finish().
    const std::optional<Finding>& reachedFinding() const { return reached_; }
    // Where a second shell's script evaluates once more what a value may put into its
    // parameters (arithmetic, a subscript), as written; whether that is arithmetic, which a
    // plain integer passes. Asked after finish().
    const std::optional<QString>& secondShellRereading() const { return secondShellRereading_; }
    bool secondShellArithmetic() const { return secondShellArithmetic_; }

private:
    enum class Kind {
        command,       // unquoted: the whole template, or the inside of "$(…)"
        singleQuoted,  // '…'
        doubleQuoted,  // "…"
        comment,       // from "#" to the end of the line
        escaping,      // `…` and $'…': backslashes inside are read before anything else
        enclosed,      // ${…}, $((…)), ((…)), $[…], name[…]: evaluated again
        defaultWord,   // the word of ${name:-…} and its kin: expanded once, like a word
        hereDocument,  // the body of a here-document, up to its delimiter line
    };
    enum class Pending { none, dollar, dollarParen };

    struct Frame {
        Kind kind = Kind::command;
        bool nested = false;
        // command: the commands of "<(…)" or ">(…)", whose word is a path to the outer one.
        bool processSubstitution = false;
        // escaping, enclosed: the construct as the user knows it ("$((…))", "`…`").
        QString construct;
        // escaping: the closing character; enclosed: the opening and closing characters
        // and how many are open.
        QChar opening;
        QChar closing;
        int depth = 0;
        // command: the simple command read so far (finished words and the current one),
        // open subshell parentheses, open "case" statements and an open "name=(" list.
        QStringList words;
        QString word;
        bool inWord = false;
        // command: the finished words as the template writes them.
        QStringList written;
        int parens = 0;
        int cases = 0;
        bool arrayList = false;
        bool listOpened = false;  // the word that opened the list has ended
        // The next word is the target of a redirection; an "&" may still turn out to be "&>".
        bool redirect = false;
        bool ampersand = false;
        // The redirection is ">&" or "<&", whose target bash expands a second time.
        bool duplicates = false;
        // The redirection is "<<" or "<<-": its target is a here-document's delimiter.
        bool hereOperator = false;
        bool stripTabs = false;
        // Inside [[ … ]]: "&&", "||", "<", ">" and parentheses belong to the test.
        bool conditional = false;
        QChar previous;
        // enclosed "${": what follows the brace, while it may still turn into a default.
        bool readsHead = false;
        QString head;
        // defaultWord: whether the expansion stands inside "…".
        bool inDoubleQuotes = false;
        // hereDocument: the delimiter, whether it was quoted, and "<<-".
        QString delimiter;
        bool quotedDelimiter = false;
        // defaultWord: "${PS4=…}" and its kin assign the word to a variable bash evaluates.
        bool evaluatedDefault = false;
        // enclosed "${name[": a value stands as the key of an associative array; what
        // follows it up to the end of the expansion.
        bool lookup = false;
        QString lookupRest;
        // command: the values anything inside may output, and those of each command
        // substitution in the current word, in order.
        ShellValueFlow::Values carried;
        QList<ShellValueFlow::Values> substitutions;
        // command: whether any command read so far may print what a program was given
        // before, and whether the current one has a redirection.
        bool printsKept = false;
        bool redirected = false;
        // command: where the current word begins in the template.
        qsizetype wordStart = 0;
        // command: the values the words of the current simple command may hold, each word's
        // own (the command word too) in order.
        QList<ShellValueFlow::Values> wordValues;
    };
    struct HereDocument {
        QString delimiter;
        bool quoted = false;
        bool stripTabs = false;
    };

    struct Walk;

    void push(Kind kind, QChar opening = {}, QChar closing = {}, int depth = 0,
              const QString& construct = {});
    void pop();
    // The innermost frame whose word the characters read belong to: a command, or the
    // body of a here-document (whose "word" is its current line).
    Frame& nearestCommand();
    void settleLessThanSigns();
    void step(QChar c);
    void stepInCommand(Frame& frame, QChar c);
    void stepInEnclosed(Frame& frame, QChar c);
    void stepInside(Frame& frame, QChar c);
    void stepInHereDocument(Frame& frame, QChar c);
    void lineEnded();
    bool plainCharacter(QChar c) const;
    // A word of a command, or a redirection's target, that may carry values.
    void noteWord(const Frame& frame, bool redirection);
    void dollar();
    void evaluated(const ShellValueFlow::Values& values);
    bool substitutesProcess(qsizetype index) const;
    Frame& innermostCommand();
    std::optional<QString> variableEvaluatedHere() const;
    void followInputs();
    void followLists(const ShellValueFlow::Command& command, const Walk& walk);
    ShellValueFlow::Values scriptValues(const ShellValueFlow::Command& command,
                                        const QStringList& words, qsizetype program,
                                        bool runByUnknown) const;
    bool writtenFile(const QString& word) const;
    void followScripts(const ShellValueFlow::Command& command, const Walk& found);
    void followXargs(const ShellValueFlow::Command& command);
    // Code a program takes from a module's name, a setting it writes, its input in an
    // interactive mode, a variable of its options; zsh's zmv.
    void followOwnCode(const ShellValueFlow::Command& command, const Walk& found);
    void followOptionVariables();
    // Every file a command may write, with the values what it writes may carry.
    void collectWrites();
    void followSettingsFiles();
    // What a second shell is handed (its parameters, environment and input), and every value
    // among it.
    struct Handed {
        ShellValueFlow::Seed seed;
        ShellValueFlow::Values outside;
    };
    Handed handedTo(const ShellValueFlow::Command& command, qsizetype program,
                    const QList<qsizetype>& handed, int first, bool input,
                    bool everyVariable = false) const;
    // A second shell's script given as the word at `script`, read the way the template is, with
    // each value where the positional parameter it is given as stands.
    void readSecondShell(const ShellValueFlow::Command& command, qsizetype program, qsizetype end,
                         qsizetype script);
    void readScript(const QString& text, Handed handed, const QString& construct, bool zsh);
    static bool readsLikeZsh(const QString& word);
    bool rereadsWord(const QStringList& words, const QString& word) const;
    // How every program that may read the word after `words` reads it; none where that word
    // is the command word, an assignment or a word of a shell keyword.
    QList<WordPlace> placesAfter(const QStringList& words) const;
    // How the program at `position` reads the word after `words`; `byUnknown`: a program the
    // reader does not know starts it, so its "--" may be the runner's.
    static WordPlace placeOf(const QStringList& words, qsizetype position, bool byUnknown);
    // Every program `words` run (see Walk).
    Walk walk(const QStringList& words) const;
    bool callsFunction(const QStringList& words, qsizetype index) const;
    // The command of each "-exec", "-execdir", "-ok" and "-okdir" of the find at `program`:
    // where it begins and where its ";" (or "{} +") stands, `end` while none has come.
    static QList<std::pair<qsizetype, qsizetype>> findCommands(const QStringList& words,
                                                               qsizetype program, qsizetype end);
    // The position of the first word after `from` that names a program, as a program the
    // reader does not know may run it, or that names one only when bash runs; -1 when none
    // does before `end`.
    qsizetype namedProgramAfter(const QStringList& words, qsizetype from, qsizetype end) const;
    // Whether `word` names a program only when bash runs: text it computes that may be any
    // program's name.
    bool computedProgram(const QString& word) const;
    static std::optional<QString> shellCommand(const QStringList& words, bool* given = nullptr);
    // How a shell (or su, runuser, script and flock, which hand a command to one) takes the
    // words after it: its options, each shell reading those that take a word its own way,
    // then its script: the first operand with -c, else a file, or with -s or no operand its
    // input. `operand`: the first word after the options (-1 while none has come).
    struct ShellCall {
        bool command = false;
        bool fromInput = false;
        qsizetype operand = -1;
        bool optionsOpen = true;
        bool optionWord = false;  // the words end where an option takes the next one
    };
    static ShellCall shellCall(const QStringList& words, qsizetype program, qsizetype end,
                               bool byUnknown);
    static bool isEvaluatedVariable(const QString& name);
    void endWord(Frame& frame);
    void endCommand(Frame& frame);
    void startRedirection(Frame& frame);
    bool namesFromExpansions(const QStringList& words) const;
    std::optional<Finding> commandRereads(const Frame& frame) const;
    std::optional<Finding> secondShellScript(const QStringList& words,
                                             const QString& current) const;
    bool unknownCommand(const QString& word) const;
    // The first program among `words` nobody can name from the template, as written (from
    // `written` where given); "env -S", which splits a string into a command.
    std::optional<QString> unknownProgram(const QStringList& words,
                                          const QStringList& written = {}) const;
    bool printsOnlyItsOwn(const QStringList& words) const;
    std::optional<Finding> rereads(const QString& command, const Frame& frame,
                                   qsizetype index) const;
    std::optional<Finding> enclosedFinding(const Frame& frame) const;
    Place placeOfLookup();
    void noteReached(Evaluation how, const QString& construct,
                     const ShellValueFlow::Values& values);
    void checkCommand(const Frame& frame);
    ShellValueFlow::Values valuesOfWord(const Frame& frame) const;
    ShellValueFlow::Values storedValues() const;

    std::vector<Frame> frames_{Frame{}};
    Pending pending_ = Pending::none;
    bool escaped_ = false;
    int lessThanRun_ = 0;
    bool dollarName_ = false;
    bool evaluatesVariables_ = false;
    // Names the template makes arrays (and bash's own arrays): a declaration reads a value
    // given to such a name as a list with subscripts.
    QSet<QString> arrayNames_;
    std::vector<HereDocument> hereDocuments_;
    QString masked_;
    // The template read so far, as written, and whether a character of it is being read.
    QString source_;
    bool reading_ = false;
    QList<WordSpot> wordSpots_;
    // Names the template assigns somewhere, in any way; "" stands for the positional
    // parameters when the template sets them.
    QSet<QString> assignedNames_;
    ShellValueFlow::Flow flow_;
    ShellValueFlow::Values integers_;
    // The template text after the character being read, up to the next value.
    QStringView ahead_;
    ShellValueFlow::Values evaluatedValues_;
    std::optional<qsizetype> scriptFromInput_;
    Finding refusal_;
    QString scriptReader_;
    QString evaluatedConstruct_;
    QString namesConstruct_;
    std::optional<Finding> reached_;
    // Names the template makes aliases: a command word with such a name is unknown.
    QSet<QString> aliasNames_;
    // The template's own functions: what one does with its arguments its commands say, each
    // read where it stands with "$1" holding any value.
    QSet<QString> functionNames_;
    ShellAssociativeArrays associativeNames_;
    // The values any word read so far may hold, and whether the template has loops or
    // functions, whose commands run again: a command substitution may print what any
    // program was given before (kept in a file, a setting), or given at all.
    ShellValueFlow::Values given_;
    bool runsAgain_ = false;
    // The template exports variables (export, declare -x, set -a): a value that reaches
    // one is in the environment of every later command.
    bool exports_ = false;
    // How many second shells' scripts this reading lies inside, and whether the shell may be
    // zsh, which reads more of a word than bash does: patterns, splitting and flags in an
    // expansion ("$~1", "$=1", "${(e)1}"), code in a glob qualifier, "$a[…]" as an element,
    // options that change all of it, integer declarations (ksh's too).
    int depth_ = 0;
    bool zshRules_ = false;
    // The files the template's commands may write, as written, and the values what each
    // write may carry.
    QStringList writtenFiles_;
    struct Write {
        QString target;
        ShellValueFlow::Values values;
    };
    QList<Write> writes_;
    // Where a second shell's script evaluates what its parameters hold once more.
    std::optional<QString> secondShellRereading_;
    bool secondShellArithmetic_ = false;
};

// The programs a command's words run: the command word, each program the wrappers before it
// run, a program the reader does not know and every later word that names a program (it may
// run any of them), and the command of each "find … -exec … ;".
struct ShellTemplateReader::Walk {
    struct Program {
        qsizetype position = 0;
        // Its words end here: find's ";" ends the command of -exec.
        qsizetype end = 0;
        // A program the reader does not know starts it: its own words may stand among this
        // one's, so a "--" there ends nothing.
        bool byUnknown = false;
    };
    QList<Program> programs;
    // The program behind the wrappers, as an index into `programs`; -1 where the words end
    // among a wrapper's own, which then reads the next word as `amongWrapper` says.
    qsizetype main = -1;
    std::optional<WordPlace> amongWrapper;
    // The first program on the way the reader does not know, which may read every later word.
    QString runner;
};
