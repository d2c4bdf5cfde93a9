#include <QRegularExpression>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellRereading.h"
#include "Actions/ShellTemplateNames.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Where values become the arguments of a command the template hands them to: the lines xargs
// reads, and the positional parameters of a second shell, whose script is read the way the
// template is.

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {

// What xargs makes of its own words, letters bundled or not ("-ra f", "-rI%"): the replace
// string, "-a FILE", whose file may hold what programs were given before, and "-d,", which
// splits the input at another character than blanks; and where its command begins.
struct Xargs {
    qsizetype command = 0;
    QString replace;
    bool fromFile = false;
    bool separators = false;
};

std::optional<Xargs> xargsOf(const QStringList& words) {
    const auto found = std::find_if(words.cbegin(), words.cend(), [](const QString& word) {
        return programName(word) == QLatin1String("xargs");
    });
    if (found == words.cend())
        return std::nullopt;
    Xargs xargs;
    qsizetype i = found - words.cbegin() + 1;
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
                xargs.replace = option.contains(QLatin1Char('='))
                                    ? option.section(QLatin1Char('='), 1)
                                    : QStringLiteral("{}");
            xargs.fromFile = xargs.fromFile || abbreviates(option, QStringLiteral("--arg-file"), 3);
            xargs.separators =
                xargs.separators || abbreviates(option, QStringLiteral("--delimiter"), 3);
            i += 1 + ShellProgramOptions::wordsTaken(QStringLiteral("xargs"), option);
            continue;
        }
        qsizetype taken = 0;
        for (qsizetype letter = 1; letter < option.size(); ++letter) {
            const QChar c = option[letter];
            const QString rest = option.mid(letter + 1);
            if (c == QLatin1Char('i')) {
                xargs.replace = rest.isEmpty() ? QStringLiteral("{}") : rest;
                break;
            }
            if (ShellProgramOptions::wordsTaken(QStringLiteral("xargs"), QStringLiteral("-") + c) ==
                0)
                continue;
            if (rest.isEmpty())
                taken = 1;
            const QString argument = rest.isEmpty() ? next : rest;
            if (c == QLatin1Char('I'))
                xargs.replace = argument;
            xargs.fromFile = xargs.fromFile || c == QLatin1Char('a');
            xargs.separators = xargs.separators || c == QLatin1Char('d');
            break;
        }
        i += 1 + taken;
    }
    xargs.command = i;
    return xargs;
}

// What each line xargs reads may carry: its input, or with -a a file, which may hold what
// programs were given before.
void xargsLines(const ShellValueFlow::Command& command, const Xargs& xargs,
                ShellWordPieces::Values& given, ShellWordPieces::Values& changed) {
    given = xargs.fromFile ? command.input | command.stored : command.input;
    changed = xargs.fromFile ? command.changedInput | command.stored : command.changedInput;
}

// The words a second shell gets as $0, $1 …: those after its script; su and runuser give
// it those after the user, the first word that is neither an option, an option's word nor
// the script ("su - root -c SCRIPT -- x y").
QList<qsizetype> parameterWords(const QStringList& words, qsizetype program, qsizetype end,
                                qsizetype script) {
    QList<qsizetype> parameters;
    const QString name = programName(words[program]);
    if (name == QLatin1String("flock") || name == QLatin1String("script"))
        return parameters;  // they hand the shell the command alone
    if (isShell(name) || words[program].contains(QLatin1String("SHELL"))) {
        for (qsizetype j = script + 1; j < end; ++j)
            parameters.append(j);
        return parameters;
    }
    bool user = false;
    bool ended = false;
    int taken = 0;
    for (qsizetype j = program + 1; j < end; ++j) {
        const QString word = unquoted(words[j]);
        if (j == script) {
            taken = 0;
        } else if (taken > 0) {
            --taken;
        } else if (!ended && word == QLatin1String("--")) {
            ended = true;
        } else if (namesCommandOption(word)) {
            // "-c" gives the script, after "--" too
        } else if (!ended && word.startsWith(QLatin1Char('-'))) {
            // "-" alone makes a login shell; -c's word is the script.
            if (word.size() > 1 && !namesCommandOption(word))
                taken = wordsTaken(QStringLiteral("runuser"), word);
        } else if (user) {
            parameters.append(j);
        } else {
            user = true;
        }
    }
    return parameters;
}

}  // namespace

// xargs makes its input arguments of its command: appended after it, or where the replace
// string stands.
void ShellTemplateReader::followXargs(const ShellValueFlow::Command& command) {
    const QStringList& words = command.words;
    const std::optional<Xargs> xargs = xargsOf(words);
    if (!xargs)
        return;
    ShellWordPieces::Values given;
    ShellWordPieces::Values changed;
    xargsLines(command, *xargs, given, changed);
    if (xargs->replace.isEmpty()) {
        if (rereadsWord(words, QString())) {
            evaluatedValues_ |= given | changed;
            if (evaluatedConstruct_.isEmpty())
                evaluatedConstruct_ = QStringLiteral("xargs");
        }
        WordSpot spot;
        spot.pieces = {ShellWordPieces::fromOutside(given, changed,
                                                    xargs->separators
                                                        ? ShellWordPieces::Splitting::anywhere
                                                        : ShellWordPieces::Splitting::quoting)};
        spot.written = words.join(QLatin1Char(' '));
        spot.places = spot.next = placesAfter(words);
        spot.appended = true;
        if (!spot.places.isEmpty())
            wordSpots_.append(spot);
        return;
    }
    ShellWordPieces::Context context;
    context.input = command.input;
    context.replace = xargs->replace;
    context.replaceGiven = given;
    context.replaceChanged = changed;
    for (qsizetype j = xargs->command; j < words.size(); ++j) {
        if (!unquoted(words[j]).contains(xargs->replace))
            continue;
        if (rereadsWord(words.mid(0, j), words[j])) {
            evaluatedValues_ |= given | changed;
            if (evaluatedConstruct_.isEmpty())
                evaluatedConstruct_ = QStringLiteral("xargs");
        }
        WordSpot spot;
        spot.pieces = ShellWordPieces::read(words[j], flow_, context);
        spot.written = words[j];
        spot.places = placesAfter(words.mid(0, j));
        spot.next = placesAfter(words.mid(0, j + 1));
        if (!spot.places.isEmpty())
            wordSpots_.append(spot);
    }
}

// What a second shell started at `program` is handed: $0, $1 … from the words at `handed` (the
// first of which is $`first`), the variables the template exports (`everyVariable`: all of
// them) or sets for that command alone, and with `input` what its input carries. `outside`:
// every value among them.
ShellTemplateReader::Handed ShellTemplateReader::handedTo(const ShellValueFlow::Command& command,
                                                          qsizetype program,
                                                          const QList<qsizetype>& handed, int first,
                                                          bool input, bool everyVariable) const {
    using Values = ShellValueFlow::Values;
    const QStringList& words = command.words;
    Handed result;
    ShellValueFlow::Seed& seed = result.seed;
    ShellWordPieces::Context context;
    context.input = command.input;
    const std::optional<Xargs> xargs = xargsOf(words.mid(0, program));
    Values lineGiven;
    Values lineChanged;
    if (xargs) {
        xargsLines(command, *xargs, lineGiven, lineChanged);
        context.replace = xargs->replace;
        context.replaceGiven = lineGiven;
        context.replaceChanged = lineChanged;
    }
    // Each word is one parameter up to one that may make none or several (split at blanks,
    // "$@", braces, a pattern): from there on, any parameter may hold what any of the words
    // brings, and a value split at blanks only a piece of it.
    Values all;
    Values allChanged;
    Values allLines;
    Values allFields;
    bool counted = true;
    for (qsizetype k = 0; k < handed.size(); ++k) {
        Values given;
        Values changed;
        Values lines;
        Values fields;
        const QList<ShellWordPieces::Piece> pieces =
            ShellWordPieces::read(words[handed[k]], flow_, context);
        ShellWordPieces::carried(pieces, given, changed, lines, fields);
        using Splitting = ShellWordPieces::Splitting;
        for (const ShellWordPieces::Piece& piece : pieces) {
            if (piece.splitting != Splitting::none && piece.splitting != Splitting::elements)
                changed |= piece.given | piece.lines | piece.fields;
        }
        counted = counted && std::none_of(pieces.cbegin(), pieces.cend(), [](const auto& piece) {
                      return piece.kind == ShellWordPieces::Piece::Kind::braces ||
                             piece.splitting != Splitting::none;
                  });
        const QString number = QString::number(first + k);
        if (counted) {
            seed.names[number] = given | changed | lines | fields;
            seed.changed[number] = changed;
            seed.lines[number] = lines;
            seed.fields[number] = fields;
        }
        if (first + k > 0 || !counted) {
            all |= given | changed | lines | fields;
            allChanged |= changed;
            allLines |= lines;
            allFields |= fields;
        }
    }
    if (xargs && xargs->replace.isEmpty()) {
        // words xargs splits off its lines: pieces of them
        all |= lineGiven | lineChanged;
        allChanged |= lineGiven | lineChanged;
    }
    seed.names[QStringLiteral("@")] = all;
    seed.changed[QStringLiteral("@")] = allChanged;
    seed.lines[QStringLiteral("@")] = allLines;
    seed.fields[QStringLiteral("@")] = allFields;
    // The script's environment: what the template exports, and what it sets for this command
    // alone, before it or through a runner ("f={{a}} sh -c …", "env f={{a}} sh -c …").
    Values environment;
    if (exports_ || everyVariable) {
        for (const auto* record : {&flow_.names, &flow_.changed, &flow_.lines, &flow_.fields}) {
            auto& into = record == &flow_.names     ? seed.names
                         : record == &flow_.changed ? seed.changed
                         : record == &flow_.lines   ? seed.lines
                                                    : seed.fields;
            for (auto name = record->cbegin(); name != record->cend(); ++name) {
                if (isName(name.key())) {
                    into[name.key()] |= *name;
                    environment |= *name;
                }
            }
        }
    }
    for (qsizetype j = 0; j < program; ++j) {
        if (!isAssignment(words[j]))
            continue;
        Values given;
        Values changed;
        Values lines;
        Values fields;
        ShellWordPieces::carried(
            ShellWordPieces::read(words[j].mid(words[j].indexOf(QLatin1Char('=')) + 1), flow_,
                                  context),
            given, changed, lines, fields);
        const QString name = words[j].left(nameLength(words[j]));
        seed.names[name] |= given | changed | lines | fields;
        seed.changed[name] |= changed;
        seed.lines[name] |= lines;
        seed.fields[name] |= fields;
        environment |= given | changed | lines | fields;
    }
    seed.named = flow_.named;
    // xargs gives the commands it runs no input of their own.
    if (input && !xargs) {
        seed.input = command.input;
        seed.changedInput = command.changedInput;
    }
    result.outside =
        all | environment | seed.names.value(QString::number(0)) | seed.input | seed.changedInput;
    return result;
}

// "-c WORD": the script is the word, read when it is the template's plain text; a script made
// when bash runs does what nobody can tell with what it is handed.
void ShellTemplateReader::readSecondShell(const ShellValueFlow::Command& command, qsizetype program,
                                          qsizetype end, qsizetype script) {
    const QStringList& words = command.words;
    const Handed handed =
        handedTo(command, program, parameterWords(words, program, end, script), 0, true);
    // find puts each path it finds in place of "{}" in the script: its start points, and any
    // name a value made in the folder.
    if (words[script].contains(QLatin1String("{}"))) {
        for (qsizetype k = 0; k < program; ++k) {
            if (programName(words[k]) != QLatin1String("find"))
                continue;
            ShellValueFlow::Values paths = flow_.named;
            for (qsizetype j = k + 1; j < program; ++j) {
                const QString word = unquoted(words[j]);
                if (QStringList{"-H", "-L", "-P"}.contains(word))
                    continue;
                if (word.startsWith(QLatin1Char('-')) || word == QLatin1String("(") ||
                    word == QLatin1String("!"))
                    break;
                paths |= flow_.valuesIn(words[j]);
            }
            noteReached(Evaluation::code, QStringLiteral("find -exec"), paths);
        }
    }
    if (handed.outside.isEmpty())
        return;
    const QString shell = programName(words[program]);
    ShellWordPieces::Context context;
    context.input = command.input;
    if (const std::optional<Xargs> xargs = xargsOf(words.mid(0, program))) {
        context.replace = xargs->replace;
        xargsLines(command, *xargs, context.replaceGiven, context.replaceChanged);
    }
    const QList<ShellWordPieces::Piece> pieces =
        ShellWordPieces::read(words[script], flow_, context);
    // A value in the script itself is code, refused where it stands.
    if (ShellWordPieces::carriesValues(pieces))
        return;
    QString text;
    for (const ShellWordPieces::Piece& piece : pieces) {
        if (piece.kind != ShellWordPieces::Piece::Kind::text) {
            noteReached(Evaluation::unknownCommand, shell + QStringLiteral(" -c ") + words[script],
                        handed.outside);
            return;
        }
        text += piece.text;
    }
    // The shell's own options on its command line, which may change how it reads the script:
    // bash's and sh's as their set and shopt take them, zsh's and ksh's any but the common flags.
    const bool zsh = readsLikeZsh(words[program]);
    for (qsizetype j = program + 1; j < script; ++j) {
        const QString option = unquoted(words[j]);
        static const QRegularExpression flags(QStringLiteral("^[-+][cefilnrsuvx]+$"));
        QString changes;
        if (!isShell(shell) || option == QLatin1String("--") || option.size() < 2 ||
            !(option.startsWith(QLatin1Char('-')) || option.startsWith(QLatin1Char('+'))))
            continue;
        if (zsh) {
            if (!flags.match(option).hasMatch())
                changes = shell + QLatin1Char(' ') + option;
        } else if (option.size() == 2 && QStringView(u"oO").contains(option[1])) {
            changes = ShellTemplateNames::unknownShellOption((option[1] == QLatin1Char('O')
                                                                  ? QStringLiteral("shopt -s ")
                                                                  : QStringLiteral("set -o ")) +
                                                             unquoted(words.value(j + 1)));
            ++j;
        } else if (!option.startsWith(QLatin1String("--"))) {
            // "c", "l", "i" and "s" say how the shell starts, the rest are set's
            QString set = option;
            set.remove(QRegularExpression(QStringLiteral("[clis]")));
            if (set.size() > 1)
                changes = ShellTemplateNames::unknownShellOption(QStringLiteral("set ") + set);
        }
        if (!changes.isEmpty()) {
            noteReached(Evaluation::shellOption, changes, handed.outside);
            return;
        }
    }
    readScript(text, handed, shell + QStringLiteral(" -c"), zsh);
}

// Whether the shell a word starts may be zsh, or ksh: zsh and ksh themselves, and the user's
// own shell, which "$SHELL", flock, script, su and runuser start.
bool ShellTemplateReader::readsLikeZsh(const QString& word) {
    const QString name = programName(word);
    static const QSet<QString> others = {
        QStringLiteral("zsh"),   QStringLiteral("ksh"),    QStringLiteral("ksh93"),
        QStringLiteral("mksh"),  QStringLiteral("lksh"),   QStringLiteral("oksh"),
        QStringLiteral("loksh"), QStringLiteral("flock"),  QStringLiteral("script"),
        QStringLiteral("su"),    QStringLiteral("runuser")};
    return others.contains(name) || word.contains(QLatin1String("SHELL"));
}

// A second shell's script, read the way the template is, with each value where what it is
// handed stands.
void ShellTemplateReader::readScript(const QString& text, Handed handed, const QString& construct,
                                     bool zsh) {
    if (depth_ >= 3) {
        noteReached(Evaluation::unmodelled, construct, handed.outside);
        return;
    }
    // Where the script moves its parameters or has functions of its own, "$1" may be any.
    static const QRegularExpression moves(QStringLiteral(
        "(?<![A-Za-z0-9_-])(shift|set|getopts|function)(?![A-Za-z0-9_-])|\\(\\s*\\)"));
    if (moves.match(text).hasMatch()) {
        for (auto* record :
             {&handed.seed.names, &handed.seed.changed, &handed.seed.lines, &handed.seed.fields}) {
            for (auto name = record->begin(); name != record->end();) {
                if (!name.key().isEmpty() && name.key()[0].isDigit())
                    name = record->erase(name);
                else
                    ++name;
            }
        }
    }
    ShellTemplateReader nested(text, ShellValueFlow::follow(text, flow_.valueCount, handed.seed),
                               integers_);
    nested.depth_ = depth_ + 1;
    nested.zshRules_ = zsh;
    if (const QString option = zsh ? ShellTemplateNames::zshOption(text) : QString();
        !option.isEmpty())
        nested.noteReached(Evaluation::shellOption, option, handed.outside);
    // zsh runs the code of a glob qualifier ("*(e:…:)", "*(+name)") for every name it matches,
    // with what the script's variables hold.
    static const QRegularExpression qualifier(
        QStringLiteral("[^\\s;&|(]\\([^()\\s]*(e[^A-Za-z0-9\\s)]|\\+[A-Za-z_])"));
    if (zsh && qualifier.match(text).hasMatch())
        nested.noteReached(Evaluation::code, QStringLiteral("(e:…:)"), handed.outside);
    nested.read(text);
    nested.finish();
    wordSpots_ += nested.wordSpots_;
    evaluatedValues_ |= nested.evaluatedValues_;
    if (evaluatedConstruct_.isEmpty())
        evaluatedConstruct_ = nested.evaluatedConstruct_;
    if (nested.scriptFromInput_ &&
        (!scriptFromInput_ || *nested.scriptFromInput_ < *scriptFromInput_)) {
        scriptFromInput_ = nested.scriptFromInput_;
        scriptReader_ = nested.scriptReader_;
    }
    if (nested.reached_)
        noteReached(nested.reached_->how, nested.reached_->construct, nested.reached_->values);
    if (nested.evaluatesVariables_ && !std::exchange(evaluatesVariables_, true))
        namesConstruct_ = nested.namesConstruct_;
    if (secondShellRereading_)
        return;
    if (nested.secondShellRereading_) {
        secondShellRereading_ = nested.secondShellRereading_;
        secondShellArithmetic_ = nested.secondShellArithmetic_;
    } else if (const auto rereading = ShellRereading::mayReread(
                   nested.masked(), {},
                   {nested.flow(), integers_, nested.associativeNames(), zsh, text})) {
        secondShellRereading_ = rereading->construct;
        secondShellArithmetic_ = rereading->how == ShellRereading::Rereading::How::arithmetic;
    }
}
