#include <QDir>
#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Where a command's input or the files it reads may carry values: a shell or an interpreter
// that reads its script there, a command substitution that reads it where bash evaluates the
// word, lists and settings a program reads from its input or a file, and settings files a
// command writes.

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {

// Whether a script named by `word` may be a descriptor: "-", a path into /dev or /proc
// however written ("//dev/stdin", "../../dev/stdin"), or expansions, which may be any path.
bool readsDescriptor(const QString& word) {
    static const QRegularExpression singleQuoted(QStringLiteral("'[^']*'"));
    if (expands(QString(word).remove(singleQuoted)))
        return true;
    const QString path = unquoted(word);
    return path == QLatin1String("-") || intoDevOrProc(path);
}

// Whether an interpreter's option makes the code a word of the command ("-c", "-e", "-ne"),
// reading the letters of a bundle up to the first that takes a word.
bool codeInWord(const QString& name, const QString& option) {
    static const QHash<QString, QStringList> codeOptions = {
        {QStringLiteral("python"), {"-c", "-m"}},
        {QStringLiteral("python2"), {"-c", "-m"}},
        {QStringLiteral("python3"), {"-c", "-m"}},
        {QStringLiteral("perl"), {"-e", "-E"}},
        {QStringLiteral("ruby"), {"-e"}},
        {QStringLiteral("node"), {"-e", "--eval", "-p", "--print"}},
        {QStringLiteral("nodejs"), {"-e", "--eval", "-p", "--print"}},
        {QStringLiteral("php"), {"-r"}},
        {QStringLiteral("lua"), {"-e"}},
    };
    const QStringList codes = codeOptions.value(name);
    if (option.startsWith(QLatin1String("--")))
        return codes.contains(option.section(QLatin1Char('='), 0, 0));
    for (qsizetype i = 1; i < option.size(); ++i) {
        const QString letter = QStringLiteral("-") + option[i];
        if (codes.contains(letter))
            return true;
        if (ShellProgramOptions::wordsTaken(name, letter) > 0)
            return false;
    }
    return false;
}

}  // namespace

// The values a program at `program` in `words` (the words of `command` up to its end) reads as
// code: from its input (a shell or source without a script operand and without -c, or with a
// descriptor or process substitution as the script; an interpreter, awk, make or sed reading
// its program there), or from a file the template wrote, which may hold what any program was
// given before (a shell's, source's or an interpreter's script, "-f" of awk, make, sed, at and
// batch, crontab's table).
// `runByUnknown`: a program the reader does not know runs it, so "--" ends nothing.
ShellValueFlow::Values ShellTemplateReader::scriptValues(const ShellValueFlow::Command& command,
                                                         const QStringList& words,
                                                         qsizetype program,
                                                         bool runByUnknown) const {
    if (program < 0 || program >= words.size())
        return {};
    using Values = ShellValueFlow::Values;
    const Values& input = command.input;
    const auto fromFile = [&](const QString& file) {
        return writtenFile(file) ? command.stored : Values{};
    };
    // A file the template wrote, run as a command ("./s.sh").
    if (words[program].contains(QLatin1Char('/'))) {
        if (const Values written = fromFile(words[program]); !written.isEmpty())
            return written;
    }
    const QString name = programName(words[program]);
    // at and batch run their input, or the file of -f, later, as the user's shell script.
    if (name == QLatin1String("at") || name == QLatin1String("batch")) {
        for (qsizetype j = program + 1; j < words.size(); ++j) {
            const QString word = unquoted(words[j]);
            if (word.startsWith(QLatin1String("-f")))
                return fromFile(word.size() > 2 ? word.mid(2) : words.value(j + 1));
        }
        return input;
    }
    // crontab installs its input ("-" or no file) or a file as the table of commands cron runs.
    if (name == QLatin1String("crontab")) {
        for (qsizetype j = program + 1; j < words.size(); ++j) {
            const QString word = unquoted(words[j]);
            if (word == QLatin1String("-u")) {
                ++j;
            } else if (word.size() < 2 || !word.startsWith(QLatin1Char('-'))) {
                return word == QLatin1String("-") ? input : fromFile(words[j]);
            } else if (word.contains(QLatin1Char('l')) || word.contains(QLatin1Char('r')) ||
                       word.contains(QLatin1Char('e'))) {
                return {};  // lists, removes or edits the table
            }
        }
        return input;
    }
    // xmllint's shell reads commands from its input ("save", "write" write any file).
    if (name == QLatin1String("xmllint") &&
        std::any_of(words.cbegin() + program, words.cend(),
                    [](const QString& word) { return unquoted(word) == QLatin1String("--shell"); }))
        return input;
    // Programs that read commands from their input whatever their operands (sqlite3's
    // ".shell", ed's and dc's "!", m4's syscmd), and mapfile's callback, which runs every
    // line read.
    static const QSet<QString> commandReaders = {
        QStringLiteral("sqlite3"), QStringLiteral("psql"), QStringLiteral("mysql"),
        QStringLiteral("mariadb"), QStringLiteral("ed"), QStringLiteral("red"),
        QStringLiteral("dc"), QStringLiteral("m4"), QStringLiteral("gdb"), QStringLiteral("sftp"),
        QStringLiteral("ftp"), QStringLiteral("lftp"), QStringLiteral("parallel"),
        QStringLiteral("watch"),
        // vi and its kin read commands ("!" runs a shell) from an input that is no terminal
        QStringLiteral("ex"), QStringLiteral("vi"), QStringLiteral("vim"), QStringLiteral("nvim"),
        QStringLiteral("view"), QStringLiteral("rvim"), QStringLiteral("rview"),
        QStringLiteral("vimdiff"),
        // they hand their input to a shell or command of their own
        QStringLiteral("su"), QStringLiteral("runuser"), QStringLiteral("script"),
        QStringLiteral("newgrp")};
    if (commandReaders.contains(name))
        return input;
    // socat hands its input to the program of an EXEC or SYSTEM address (SYSTEM through sh).
    if (name == QLatin1String("socat") &&
        std::any_of(words.cbegin() + program, words.cend(), [](const QString& word) {
            const QString address = unquoted(word).toUpper();
            return address.startsWith(QLatin1String("EXEC:")) ||
                   address.startsWith(QLatin1String("SYSTEM:"));
        }))
        return input;
    if ((name == QLatin1String("mapfile") || name == QLatin1String("readarray")) &&
        std::any_of(words.cbegin() + program, words.cend(), [](const QString& word) {
            return unquoted(word).startsWith(QLatin1String("-C"));
        }))
        return input;
    const bool source = name == QLatin1String("source") || name == QLatin1String(".");
    // make's makefile and sed's script (whose "e" command runs a shell) come from "-f FILE"
    // as awk's program does.
    const bool make = name == QLatin1String("make");
    const bool sed = name == QLatin1String("sed");
    // Programs that take their code from "-f FILE", or else from a word or a file of their own.
    const bool fileProgram = isAwk(name) || make || sed;
    if (isShell(name) || words[program].contains(QLatin1String("SHELL"))) {
        const ShellCall call = shellCall(words, program, words.size(), runByUnknown);
        if (call.command)
            return {};  // the script is a word: the reader looks at it
        if (call.fromInput || call.operand < 0)
            return input;
        const QString& script = words[call.operand];
        if (script.startsWith(QLatin1String("<(")))
            return flow_.valuesIn(script, input);
        return (readsDescriptor(script) ? input : Values{}) | fromFile(script);
    }
    if (!source && !isInterpreter(name) && !fileProgram)
        return {};
    // awk's, make's and sed's "-f FILE": the program, makefile or script comes from that
    // file; whether one such file may be the input.
    std::optional<bool> programFile;
    Values written;
    qsizetype j = program + 1;
    for (; !source && j < words.size(); ++j) {
        const QString option = unquoted(words[j]);
        if (option == QLatin1String("--") && runByUnknown)
            continue;
        if (option == QLatin1String("--")) {
            ++j;
            break;
        }
        if (option.size() < 2 ||
            !(option.startsWith(QLatin1Char('-')) || option.startsWith(QLatin1Char('+'))))
            break;
        if (codeInWord(name, option))
            return {};
        const int taken = ShellProgramOptions::wordsTaken(name, option);
        // gawk reads code from "-E FILE" and "-i FILE" as well, sed from "-f" after flags
        // ("-nf"); long options may be cut short. Any of several files may be the input.
        static const QRegularExpression awkFile(QStringLiteral("^-[fEi]"));
        static const QRegularExpression makeFile(QStringLiteral("^-f"));
        static const QRegularExpression sedFile(QStringLiteral("^-[nErsuz]*f"));
        const QStringList longFiles = make  ? QStringList{"--file", "--makefile"}
                                      : sed ? QStringList{"--file"}
                                            : QStringList{"--file", "--exec", "--include"};
        const bool longFile =
            option.startsWith(QLatin1String("--")) &&
            std::any_of(longFiles.cbegin(), longFiles.cend(),
                        [&](const QString& file) { return abbreviates(option, file, 3); });
        const QRegularExpressionMatch shortFile = (sed    ? sedFile
                                                   : make ? makeFile
                                                          : awkFile)
                                                      .match(option);
        if (fileProgram && (longFile || shortFile.hasMatch())) {
            const qsizetype equals = option.indexOf(QLatin1Char('='));
            std::optional<QString> file;
            if (longFile ? equals > 0 : shortFile.capturedEnd() < option.size())
                file = option.mid(longFile ? equals + 1 : shortFile.capturedEnd());
            else if (j + 1 < words.size())
                file = words[j + 1];
            if (file) {
                programFile = programFile.value_or(false) || readsDescriptor(*file);
                written |= fromFile(*file);
            }
        }
        j += taken;
    }
    if (fileProgram) {
        // Without -f, awk's program is its first operand, a word, make reads a makefile, and
        // sed's script is a word.
        if (!programFile)
            return make || sed || j < words.size() ? Values{} : input;
        return *programFile ? input | written : written;
    }
    // A script named by a path into /dev or /proc, or by expansions, may be any descriptor:
    // one the template's input redirections fill.
    if (j < words.size() && words[j].startsWith(QLatin1String("<(")))
        return flow_.valuesIn(words[j], input);
    if (j >= words.size())
        return input;
    return (readsDescriptor(words[j]) ? input : Values{}) | fromFile(words[j]);
}

// A shell or source whose script is no word: its input, a descriptor or a process substitution.
// A script of the template's own text (one here-document or here-string) is read with what it
// is handed, as a script given with -c is; one nobody can read before it runs (what a pipe
// brings, a process substitution, a descriptor filled otherwise) is handed no value: not as a
// parameter, not in its environment, not on its input.
void ShellTemplateReader::followScripts(const ShellValueFlow::Command& command, const Walk& found) {
    const QStringList& words = command.words;
    for (const Walk::Program& program : found.programs) {
        const qsizetype position = program.position;
        const QString name = programName(words[position]);
        const bool source = name == QLatin1String("source") || name == QLatin1String(".");
        const bool shell = isShell(name) || words[position].contains(QLatin1String("SHELL"));
        static const QSet<QString> handing = {QStringLiteral("su"), QStringLiteral("runuser"),
                                              QStringLiteral("flock"), QStringLiteral("script")};
        if (!source && !shell && !handing.contains(name))
            continue;
        qsizetype operand = -1;
        bool fromInput = false;
        if (source) {
            operand = position + 1;
            if (operand < program.end && unquoted(words[operand]) == QLatin1String("--"))
                ++operand;
            if (operand >= program.end)
                continue;
        } else {
            const ShellCall call = shellCall(words, position, program.end, program.byUnknown);
            if (call.command) {
                if (call.operand >= 0)
                    readSecondShell(command, position, program.end, call.operand);
                continue;
            }
            if (!shell)
                continue;  // su, runuser and script reading their input: code on the input
            operand = call.operand;
            fromInput = call.fromInput || call.operand < 0;
        }
        // Its parameters: with -s its operands, else the words after the script, from $1.
        QList<qsizetype> parameters;
        for (qsizetype j = fromInput && operand >= 0 ? operand : operand + 1;
             operand >= 0 && j < program.end; ++j)
            parameters.append(j);
        const QString script = operand >= 0 && !fromInput ? words[operand] : QString();
        const bool substituted =
            script.startsWith(QLatin1String("<(")) || script.startsWith(QLatin1String(">("));
        // A file: the user's own script, whose use of its values is the author's; one the
        // template writes nobody reads before it runs.
        if (!fromInput && !substituted && !readsDescriptor(script) && !writtenFile(script))
            continue;
        QString construct = unquoted(words[position]);
        construct += fromInput     ? QStringLiteral(" -s")
                     : substituted ? QStringLiteral(" <(…)")
                                   : QLatin1Char(' ') + unquoted(script);
        const bool standardInput =
            fromInput || QStringList{"-", "/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"}.contains(
                             QDir::cleanPath(unquoted(script)));
        // source runs the script in the template's own shell, with all of its variables.
        Handed handed = handedTo(command, position, parameters, 1, !standardInput, source);
        if (handed.outside.isEmpty())
            continue;
        if (standardInput && command.literalInput)
            readScript(*command.literalInput, handed, construct, readsLikeZsh(words[position]));
        else
            noteReached(Evaluation::unknownCommand, construct, handed.outside);
    }
}

namespace {

// A list a program reads its words from besides its arguments: names (tar -T, --files-from,
// --files0-from), of which one that begins with "-" is an option too, or settings (curl -K,
// ssh -F, whose ProxyCommand runs), every line of which is one. `fromInput`: the list is the
// program's input.
struct ReadList {
    bool settings = false;
    bool fromInput = false;
    QString option;
    // sox reads the names of a playlist (.m3u, .pls) as it reads its own file names.
    bool playlist = false;
};

std::optional<ReadList> readList(const QStringList& words, qsizetype program) {
    if (program < 0 || program >= words.size())
        return std::nullopt;
    const QString name = programName(words[program]);
    // Long options as getopt_long and curl take them, cut short down to where the name is
    // still one program's only ("--files" is tar's "--files-from", "--file" its archive).
    static const QRegularExpression names(QStringLiteral("^(-[A-Za-z]*T|-X)(.*)$"));
    static const QRegularExpression curlSettings(QStringLiteral("^(-[A-Za-z]*K)(.*)$"));
    static const QRegularExpression sshSettings(QStringLiteral("^(-[A-Za-z]*F)(.*)$"));
    static const QList<std::pair<QString, qsizetype>> longNames = {
        {QStringLiteral("--files-from"), 7},
        {QStringLiteral("--files0-from"), 7},
        {QStringLiteral("--exclude-from"), 11}};
    static const QList<std::pair<QString, qsizetype>> longSettings = {
        {QStringLiteral("--config"), 5}};
    const bool curl = name == QLatin1String("curl");
    const bool ssh = name == QLatin1String("ssh") || name == QLatin1String("scp") ||
                     name == QLatin1String("sftp");
    const bool settings = curl || ssh;
    if (nameSyntax(name) == NameSyntax::soxOpen) {
        static const QRegularExpression playlist(QStringLiteral("\\.(m3u|pls)$"),
                                                 QRegularExpression::CaseInsensitiveOption);
        for (qsizetype j = program + 1; j < words.size(); ++j) {
            if (playlist.match(unquoted(words[j])).hasMatch())
                return ReadList{false, false, unquoted(words[j]), true};
        }
        return std::nullopt;
    }
    for (qsizetype j = program + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (word == QLatin1String("--"))
            break;
        const QRegularExpressionMatch match = (curl  ? curlSettings
                                               : ssh ? sshSettings
                                                     : names)
                                                  .match(word);
        const auto& longOptions = curl ? longSettings : ssh ? decltype(longNames){} : longNames;
        const bool longOption =
            word.startsWith(QLatin1String("--")) &&
            std::any_of(longOptions.cbegin(), longOptions.cend(), [&](const auto& option) {
                return abbreviates(word, option.first, option.second);
            });
        if ((!longOption && !match.hasMatch()) ||
            (!settings && word.startsWith(QLatin1String("-X")) && name != QLatin1String("tar")))
            continue;
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const bool glued = longOption ? equals > 0 : !match.captured(2).isEmpty();
        const QString gluedFile = longOption ? word.mid(equals + 1) : match.captured(2);
        const QString file =
            glued ? gluedFile : (j + 1 < words.size() ? unquoted(words[j + 1]) : QString());
        return ReadList{settings, file == QLatin1String("-") || intoDevOrProc(file),
                        unquoted(words[program]) + QLatin1Char(' ') + word};
    }
    return std::nullopt;
}

}  // namespace

// A list of names or settings a program reads from its input or a file the template may have
// written: a value there is judged as a word of the command.
void ShellTemplateReader::followLists(const ShellValueFlow::Command& command, const Walk& found) {
    const QStringList& words = command.words;
    if (found.main < 0)
        return;
    const qsizetype program = found.programs[found.main].position;
    const std::optional<ReadList> list = readList(words, program);
    if (!list)
        return;
    const ShellWordPieces::Piece read = ShellWordPieces::fromOutside(
        list->fromInput ? command.input : command.input | command.stored,
        list->fromInput ? command.changedInput : command.changedInput | command.stored,
        ShellWordPieces::Splitting::quoting);
    if (read.given.isEmpty() && read.changed.isEmpty())
        return;
    WordSpot spot;
    spot.pieces = {read};
    spot.written = list->option;
    WordPlace place;
    place.program = unquoted(words[program]);
    place.options = !list->settings && !list->playlist;
    place.settings = list->settings;
    if (list->playlist)
        place.syntax = NameSyntax::soxOpen;
    spot.places = spot.next = {place};
    spot.appended = true;
    wordSpots_.append(spot);
}

// Commands whose input may carry values: a shell that reads its script there, a command
// substitution that reads it where bash evaluates the word, xargs, which makes the input
// arguments of its command; and a second shell whose script gets values as its parameters.
void ShellTemplateReader::followInputs() {
    collectWrites();
    followSettingsFiles();
    followOptionVariables();
    for (const ShellValueFlow::Command& command : flow_.commands) {
        const QStringList& words = command.words;
        const Walk found = walk(words);
        followLists(command, found);
        followOwnCode(command, found);
        // Every program the command may run reads its input: the one behind the wrappers, and
        // a program the reader does not know (and those it names) as well.
        QList<Walk::Program> readers = found.programs;
        if (found.main > 0)
            readers.move(found.main, 0);
        ShellValueFlow::Values script;
        QString reader;
        for (const Walk::Program& program : std::as_const(readers)) {
            script = scriptValues(command, words.mid(0, program.end), program.position,
                                  program.byUnknown);
            if (!script.isEmpty()) {
                reader = programName(words[program.position]);
                break;
            }
        }
        // "sudo -s", "sg GROUP" without a command: the shell reads its input. So does the
        // user's shell that unshare, chroot or setarch start without one.
        bool given = true;
        if (const std::optional<QString> shell = shellCommand(words, &given); shell && !given) {
            script = command.input;
            reader = *shell;
        }
        if (found.main < 0 && found.amongWrapper &&
            wrappers().value(found.amongWrapper->program).shellWithoutCommand) {
            script = command.input;
            reader = found.amongWrapper->program;
        }
        if (!script.isEmpty()) {
            const qsizetype first = *std::min_element(script.cbegin(), script.cend());
            if (!scriptFromInput_ || first < *scriptFromInput_)
                scriptReader_ = reader;
            scriptFromInput_ = std::min(scriptFromInput_.value_or(first), first);
        }
        // capsh runs bash with the words after its "--", or on its input without them: what
        // it is given is a shell's script.
        for (const Walk::Program& program : found.programs) {
            if (programName(words[program.position]) != QLatin1String("capsh"))
                continue;
            noteReached(Evaluation::code, QStringLiteral("capsh"),
                        command.input | command.changedInput |
                            flow_.valuesIn(
                                words.mid(program.position + 1, program.end - program.position - 1)
                                    .join(QLatin1Char(' '))));
        }
        // A program nobody knows may be a shell that reads its input as a script.
        if (const std::optional<QString> unknown = unknownProgram(words))
            noteReached(Evaluation::unknownCommand, *unknown, command.input);
        followScripts(command, found);
        if (command.input.isEmpty() && command.stored.isEmpty())
            continue;
        for (qsizetype j = 0; j < words.size() && !command.input.isEmpty(); ++j) {
            if ((words[j].contains(QLatin1String("$(")) || words[j].contains(QLatin1Char('`'))) &&
                rereadsWord(words.mid(0, j), words[j])) {
                evaluatedValues_ |= command.input;
                if (evaluatedConstruct_.isEmpty() && !found.programs.isEmpty())
                    evaluatedConstruct_ = unquoted(words[found.programs.first().position]);
            }
        }
        followXargs(command);
    }
}
