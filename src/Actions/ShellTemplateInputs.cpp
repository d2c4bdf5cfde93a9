#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Where a command's input may carry values: a shell or an interpreter that reads its script
// there, a command substitution that reads it where bash evaluates the word, and xargs, which
// makes the input arguments of its command.

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

// The values a shell (or source) at `i` in `words` reads as its script: from its input when
// it has no script operand and no -c, or from a process substitution named as the script.
// `runByUnknown`: a program the reader does not know runs it, so "--" ends nothing.
ShellValueFlow::Values scriptValues(const ShellValueFlow::Flow& flow, const QStringList& words,
                                    qsizetype program, const ShellValueFlow::Values& input,
                                    bool runByUnknown) {
    static const QRegularExpression optionWithArgument(QStringLiteral("^[-+][A-Za-z]*[oO]$"));
    static const QRegularExpression inputOption(QStringLiteral("^-[A-Za-z]*s"));
    if (program < 0 || program >= words.size())
        return {};
    using Values = ShellValueFlow::Values;
    const QString name = programName(words[program]);
    // at and batch run their input later, as the user's shell script.
    if ((name == QLatin1String("at") || name == QLatin1String("batch")) &&
        !std::any_of(words.cbegin() + program, words.cend(), [](const QString& word) {
            return unquoted(word).startsWith(QLatin1String("-f"));
        }))
        return input;
    // Programs that read commands from their input whatever their operands (sqlite3's
    // ".shell", ed's and dc's "!", m4's syscmd), and mapfile's callback, which runs every
    // line read.
    static const QSet<QString> commandReaders = {
        QStringLiteral("sqlite3"), QStringLiteral("psql"), QStringLiteral("mysql"),
        QStringLiteral("mariadb"), QStringLiteral("ed"), QStringLiteral("red"),
        QStringLiteral("dc"), QStringLiteral("m4"), QStringLiteral("gdb"), QStringLiteral("sftp"),
        QStringLiteral("ftp"), QStringLiteral("lftp"), QStringLiteral("parallel"),
        QStringLiteral("crontab"), QStringLiteral("watch"),
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
    const bool shell = isShell(name) || words[program].contains(QLatin1String("SHELL"));
    if (!source && !shell && !isInterpreter(name) && !fileProgram)
        return {};
    bool fromInput = false;
    // awk's, make's and sed's "-f FILE": the program, makefile or script comes from that
    // file; whether one such file may be the input.
    std::optional<bool> programFile;
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
        if (shell && ShellProgramOptions::namesCommandOption(option))
            return {};  // the script is a word: the reader looks at it
        if (!shell && codeInWord(name, option))
            return {};
        if (shell && inputOption.match(option).hasMatch())
            fromInput = true;
        const int taken = shell ? (optionWithArgument.match(option).hasMatch() ||
                                           option == QLatin1String("--rcfile") ||
                                           option == QLatin1String("--init-file")
                                       ? 1
                                       : 0)
                                : ShellProgramOptions::wordsTaken(name, option);
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
            if (file)
                programFile = programFile.value_or(false) || readsDescriptor(*file);
        }
        j += taken;
    }
    if (fileProgram) {
        // Without -f, awk's program is its first operand, a word, make reads a makefile, and
        // sed's script is a word.
        if (!programFile)
            return make || sed || j < words.size() ? Values{} : input;
        return *programFile ? input : Values{};
    }
    // A script named by a path into /dev or /proc, or by expansions, may be any descriptor:
    // one the template's input redirections fill.
    if (j < words.size() && words[j].startsWith(QLatin1String("<(")))
        return flow.valuesIn(words[j], input);
    if (fromInput || j >= words.size() || readsDescriptor(words[j]))
        return input;
    return {};
}

// A list a program reads its words from besides its arguments: names (tar -T, --files-from,
// --files0-from), of which one that begins with "-" is an option too, or settings (curl -K),
// every line of which is one. `fromInput`: the list is the program's input.
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
    static const QRegularExpression settings(QStringLiteral("^(-[A-Za-z]*K)(.*)$"));
    static const QList<std::pair<QString, qsizetype>> longNames = {
        {QStringLiteral("--files-from"), 7},
        {QStringLiteral("--files0-from"), 7},
        {QStringLiteral("--exclude-from"), 11}};
    static const QList<std::pair<QString, qsizetype>> longSettings = {
        {QStringLiteral("--config"), 5}};
    const bool curl = name == QLatin1String("curl");
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
        const QRegularExpressionMatch match = (curl ? settings : names).match(word);
        const auto& longOptions = curl ? longSettings : longNames;
        const bool longOption =
            word.startsWith(QLatin1String("--")) &&
            std::any_of(longOptions.cbegin(), longOptions.cend(), [&](const auto& option) {
                return abbreviates(word, option.first, option.second);
            });
        if ((!longOption && !match.hasMatch()) ||
            (!curl && word.startsWith(QLatin1String("-X")) && name != QLatin1String("tar")))
            continue;
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const bool glued = longOption ? equals > 0 : !match.captured(2).isEmpty();
        const QString gluedFile = longOption ? word.mid(equals + 1) : match.captured(2);
        const QString file =
            glued ? gluedFile : (j + 1 < words.size() ? unquoted(words[j + 1]) : QString());
        return ReadList{curl, file == QLatin1String("-") || intoDevOrProc(file),
                        unquoted(words[program]) + QLatin1Char(' ') + word};
    }
    return std::nullopt;
}

}  // namespace

// A list of names or settings a program reads from its input or a file the template may have
// written: a value there is judged as a word of the command.
void ShellTemplateReader::followLists(const ShellValueFlow::Command& command) {
    const QStringList& words = command.words;
    const qsizetype program = programIndex(words);
    const std::optional<ReadList> list = readList(words, program);
    if (!list)
        return;
    OptionSpot spot;
    spot.reached = list->fromInput ? command.input : command.input | command.stored;
    spot.derived = list->fromInput ? command.changedInput : command.changedInput | command.stored;
    if (spot.reached.isEmpty() && spot.derived.isEmpty())
        return;
    spot.written = list->option;
    spot.place.program = unquoted(words[program]);
    spot.place.options = !list->settings && !list->playlist;
    spot.place.settings = list->settings;
    if (list->playlist)
        spot.place.syntax = NameSyntax::soxOpen;
    spot.next = spot.place;
    spot.alone = false;
    optionSpots_.append(spot);
}

// Commands whose input may carry values: a shell that reads its script there, a command
// substitution that reads it where bash evaluates the word, and xargs, which makes the input
// arguments of its command.
void ShellTemplateReader::followInputs() {
    for (const ShellValueFlow::Command& command : flow_.commands) {
        followLists(command);
        const QStringList& words = command.words;
        // Every program the command may run reads its input: the one behind the wrappers, and
        // a program the reader does not know (and those it names) as well.
        ShellValueFlow::Values script;
        QString reader;
        QList<qsizetype> readers = programPositions(words);
        if (!readers.isEmpty())
            readers.prepend(programIndex(words));
        const QSet<qsizetype> runByUnknown = runByUnknownPrograms(words);
        for (const qsizetype program : std::as_const(readers)) {
            script =
                scriptValues(flow_, words, program, command.input, runByUnknown.contains(program));
            if (!script.isEmpty()) {
                reader = programName(words[program]);
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
        std::optional<WordPlace> ending;
        if (programIndex(words, &ending) < 0 && ending &&
            wrappers().value(ending->program).shellWithoutCommand) {
            script = command.input;
            reader = ending->program;
        }
        if (!script.isEmpty()) {
            const qsizetype first = *std::min_element(script.cbegin(), script.cend());
            if (!scriptFromInput_ || first < *scriptFromInput_)
                scriptReader_ = reader;
            scriptFromInput_ = std::min(scriptFromInput_.value_or(first), first);
        }
        // A program nobody knows may be a shell that reads its input as a script.
        const QList<qsizetype> programs = programPositions(words);
        if (const std::optional<QString> unknown = unknownProgram(words))
            noteReached(Evaluation::unknownCommand, *unknown, command.input);
        if (command.input.isEmpty() && command.stored.isEmpty())
            continue;
        for (qsizetype j = 0; j < words.size() && !command.input.isEmpty(); ++j) {
            if ((words[j].contains(QLatin1String("$(")) || words[j].contains(QLatin1Char('`'))) &&
                rereadsWord(words.mid(0, j), words[j])) {
                evaluatedValues_ |= command.input;
                if (evaluatedConstruct_.isEmpty() && !programs.isEmpty())
                    evaluatedConstruct_ = unquoted(words[programs.first()]);
            }
        }
        const auto xargs = std::find_if(words.cbegin(), words.cend(), [](const QString& word) {
            return programName(word) == QLatin1String("xargs");
        });
        if (xargs == words.cend())
            continue;
        // xargs's own options, letters bundled or not ("-ra f", "-rI%"): the replace string,
        // "-a FILE", whose file may hold what programs were given before, and "-d,", which
        // splits the input at another character than blanks.
        QString replace;
        bool fromFile = false;
        bool separators = false;
        qsizetype i = xargs - words.cbegin() + 1;
        while (i < words.size()) {
            const QString option = unquoted(words[i]);
            if (option == QLatin1String("--")) {
                ++i;
                break;
            }
            if (!option.startsWith(QLatin1Char('-')) || option.size() < 2)
                break;
            const QString next = i + 1 < words.size() ? unquoted(words[i + 1]) : QString();
            if (option.startsWith(QLatin1String("--"))) {
                if (abbreviates(option, QStringLiteral("--replace"), 3))
                    replace = option.contains(QLatin1Char('='))
                                  ? option.section(QLatin1Char('='), 1)
                                  : QStringLiteral("{}");
                fromFile = fromFile || abbreviates(option, QStringLiteral("--arg-file"), 3);
                separators = separators || abbreviates(option, QStringLiteral("--delimiter"), 3);
                i += 1 + ShellProgramOptions::wordsTaken(QStringLiteral("xargs"), option);
                continue;
            }
            qsizetype taken = 0;
            for (qsizetype letter = 1; letter < option.size(); ++letter) {
                const QChar c = option[letter];
                const QString rest = option.mid(letter + 1);
                if (c == QLatin1Char('i')) {
                    replace = rest.isEmpty() ? QStringLiteral("{}") : rest;
                    break;
                }
                if (ShellProgramOptions::wordsTaken(QStringLiteral("xargs"),
                                                    QStringLiteral("-") + c) == 0)
                    continue;
                if (rest.isEmpty())
                    taken = 1;
                const QString argument = rest.isEmpty() ? next : rest;
                if (c == QLatin1Char('I'))
                    replace = argument;
                fromFile = fromFile || c == QLatin1Char('a');
                separators = separators || c == QLatin1Char('d');
                break;
            }
            i += 1 + taken;
        }
        const ShellValueFlow::Values arguments =
            fromFile ? command.input | command.stored : command.input;
        const ShellValueFlow::Values changedArguments =
            fromFile ? command.changedInput | command.stored : command.changedInput;
        // The words xargs appends are named by its command, a word with the replace string
        // by itself.
        const auto spotAt = [&](const QStringList& before, const QString& written) {
            if (const std::optional<WordPlace> place = placeAfter(before)) {
                OptionSpot spot;
                spot.reached = arguments;
                spot.derived = changedArguments;
                spot.written = written;
                spot.separators = separators;
                spot.place = *place;
                spot.next =
                    placeAfter(before + QStringList{QStringLiteral("x")}).value_or(WordPlace{});
                spot.appended = replace.isEmpty();
                optionSpots_.append(spot);
            }
        };
        if (replace.isEmpty()) {
            if (rereadsWord(words, QString())) {
                evaluatedValues_ |= arguments;
                if (evaluatedConstruct_.isEmpty())
                    evaluatedConstruct_ = QStringLiteral("xargs");
            }
            spotAt(words, words.join(QLatin1Char(' ')));
            continue;
        }
        for (qsizetype j = i; j < words.size(); ++j) {
            const QString word = unquoted(words[j]);
            if (!word.contains(replace))
                continue;
            if (rereadsWord(words.mid(0, j), words[j])) {
                evaluatedValues_ |= arguments;
                if (evaluatedConstruct_.isEmpty())
                    evaluatedConstruct_ = QStringLiteral("xargs");
            }
            if (word.startsWith(replace))
                spotAt(words.mid(0, j), words[j]);
        }
    }
}
