#include <QRegularExpression>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellRereading.h"
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
    if (isShell(programName(words[program]))) {
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

void ShellTemplateReader::readSecondShell(const ShellValueFlow::Command& command, qsizetype program,
                                          qsizetype end, qsizetype script) {
    using Values = ShellValueFlow::Values;
    const QStringList& words = command.words;
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
    // $0, $1 … and what each may hold; xargs without a replace string appends more. Each word
    // is one parameter up to one that may make none or several (split at blanks, "$@", braces,
    // a pattern): from there on, any parameter may hold what any of the words brings, and a
    // value split at blanks only a piece of it.
    QList<std::pair<Values, Values>> parameters;
    Values all;
    Values allChanged;
    bool counted = true;
    const QList<qsizetype> handed = parameterWords(words, program, end, script);
    for (const qsizetype j : handed) {
        Values given;
        Values changed;
        const QList<ShellWordPieces::Piece> pieces =
            ShellWordPieces::read(words[j], flow_, context);
        ShellWordPieces::carried(pieces, given, changed);
        using Splitting = ShellWordPieces::Splitting;
        for (const ShellWordPieces::Piece& piece : pieces) {
            if (piece.splitting != Splitting::none && piece.splitting != Splitting::elements)
                changed |= piece.given;
        }
        counted = counted && std::none_of(pieces.cbegin(), pieces.cend(), [](const auto& piece) {
                      return piece.kind == ShellWordPieces::Piece::Kind::braces ||
                             piece.splitting != Splitting::none;
                  });
        if (counted)
            parameters.append({given, changed});
        if (j != handed.first() || !counted) {
            all |= given;
            allChanged |= changed;
        }
    }
    if (xargs && xargs->replace.isEmpty()) {
        all |= lineGiven;
        allChanged |= lineChanged;
    }
    // The script's environment: what the template exports, and what it sets for this command
    // alone, before it or through a runner ("f={{a}} sh -c …", "env f={{a}} sh -c …").
    ShellValueFlow::Seed seed;
    if (exports_) {
        for (auto name = flow_.names.cbegin(); name != flow_.names.cend(); ++name) {
            if (isName(name.key()))
                seed.names[name.key()] = *name;
        }
        for (auto name = flow_.changed.cbegin(); name != flow_.changed.cend(); ++name) {
            if (isName(name.key()))
                seed.changed[name.key()] = *name;
        }
    }
    for (qsizetype j = 0; j < program; ++j) {
        if (!isAssignment(words[j]))
            continue;
        Values given;
        Values changed;
        ShellWordPieces::carried(
            ShellWordPieces::read(words[j].mid(words[j].indexOf(QLatin1Char('=')) + 1), flow_,
                                  context),
            given, changed);
        const QString name = words[j].left(nameLength(words[j]));
        seed.names[name] |= given | changed;
        seed.changed[name] |= changed;
    }
    Values environment;
    for (const Values& values : std::as_const(seed.names))
        environment |= values;
    const Values outside = all | allChanged | environment |
                           (parameters.isEmpty() ? Values{} : parameters[0].first) |
                           (xargs ? Values{} : command.input | command.changedInput);
    if (outside.isEmpty())
        return;
    const QString shell = programName(words[program]);
    const QList<ShellWordPieces::Piece> pieces =
        ShellWordPieces::read(words[script], flow_, context);
    // A value in the script itself is code, refused where it stands.
    if (ShellWordPieces::carriesValues(pieces))
        return;
    QString text;
    for (const ShellWordPieces::Piece& piece : pieces) {
        if (piece.kind != ShellWordPieces::Piece::Kind::text) {
            // A script made when bash runs: what it does with its parameters is not known.
            noteReached(Evaluation::unknownCommand, shell + QStringLiteral(" -c ") + words[script],
                        outside);
            return;
        }
        text += piece.text;
    }
    if (depth_ >= 3) {
        noteReached(Evaluation::unmodelled, shell + QStringLiteral(" -c"), outside);
        return;
    }
    seed.names[QStringLiteral("@")] = all;
    seed.changed[QStringLiteral("@")] = allChanged;
    // Where the script moves its parameters or has functions of its own, "$1" may be any.
    static const QRegularExpression moves(QStringLiteral(
        "(?<![A-Za-z0-9_-])(shift|set|getopts|function)(?![A-Za-z0-9_-])|\\(\\s*\\)"));
    if (!moves.match(text).hasMatch()) {
        for (qsizetype k = 0; k < parameters.size(); ++k) {
            seed.names[QString::number(k)] = parameters[k].first;
            seed.changed[QString::number(k)] = parameters[k].second;
        }
    }
    // xargs gives the commands it runs no input of their own.
    if (!xargs) {
        seed.input = command.input;
        seed.changedInput = command.changedInput;
    }
    ShellTemplateReader nested(text, ShellValueFlow::follow(text, flow_.valueCount, seed));
    nested.depth_ = depth_ + 1;
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
    } else if (const auto rereading =
                   ShellRereading::mayReread(nested.masked(), {}, nested.associativeNames())) {
        secondShellRereading_ = rereading->construct;
        secondShellArithmetic_ = rereading->how == ShellRereading::Rereading::How::arithmetic;
    }
}
