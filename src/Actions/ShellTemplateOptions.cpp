#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellProgramIdentity.h"
#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// How each program a command may run reads the word after its words (an option where it
// begins with "-", a command where it begins with "+", a setting where it is "NAME=value"),
// and the words that may carry values, noted with every program that may read them.

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {
// awk's "-f FILE" (gawk's "--file", "-E"): the program comes from a file, so every operand is
// a file or an assignment.
bool programFileGiven(const QStringList& words, qsizetype program) {
    static const QRegularExpression file(QStringLiteral("^-[A-Za-z]*[fE](=|$)"));
    const Options table = programs().value(programName(words[program]));
    for (qsizetype j = program + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (word.size() < 2 || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("--"))
            return false;
        if (word.startsWith(QLatin1String("--"))
                ? abbreviates(word, QStringLiteral("--file"), 3) ||
                      abbreviates(word, QStringLiteral("--exec"), 3)
                : file.match(word).hasMatch())
            return true;
        j += wordsTaken(table, word);
    }
    return false;
}

// Whether git's subcommand (" log") takes "--end-of-options": grep, checkout, stash and bisect
// read it as a pattern, a path or a mistake.
bool gitEndsOptions(const QString& subcommand) {
    static const QSet<QString> without = {QStringLiteral(" grep"), QStringLiteral(" checkout"),
                                          QStringLiteral(" stash"), QStringLiteral(" bisect")};
    return !without.contains(subcommand);
}

}  // namespace

// How every program that may read the word after `words` reads it: the program behind the
// wrappers, or the wrapper whose words have not ended; a program the reader does not know
// with its strict rules, and each later program it names; the command of a find's -exec.
QList<ShellTemplateReader::WordPlace> ShellTemplateReader::placesAfter(
    const QStringList& words) const {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return {};
    // zsh's and ksh's print, a builtin there, ends its options at "--": a word after it is
    // text. (bash has no print: the program of that name is another.)
    if (zshRules_ && unquoted(words[index]) == QLatin1String("print")) {
        for (qsizetype j = index + 1; j < words.size() && !expands(words[j]); ++j) {
            const QString word = unquoted(words[j]);
            if (word == QLatin1String("--"))
                return {};
            if (!word.startsWith(QLatin1Char('-')))
                break;
        }
    }
    static const QSet<QString> keywords = {
        QStringLiteral("[["),      QStringLiteral("for"),     QStringLiteral("select"),
        QStringLiteral("case"),    QStringLiteral("in"),      QStringLiteral("function"),
        QStringLiteral("export"),  QStringLiteral("local"),   QStringLiteral("declare"),
        QStringLiteral("typeset"), QStringLiteral("readonly")};
    if (keywords.contains(programName(words[index])) || callsFunction(words, index))
        return {};
    const Walk found = walk(words);
    // A find's -exec whose ";" has not come: its command reads the word.
    for (const Walk::Program& program : found.programs) {
        if (programName(words[program.position]) != QLatin1String("find"))
            continue;
        const auto commands = findCommands(words, program.position, program.end);
        if (!commands.isEmpty() && commands.last().second == words.size())
            return placesAfter(words.mid(commands.last().first));
    }
    QList<WordPlace> places;
    if (found.main < 0) {
        if (found.amongWrapper)
            places.append(*found.amongWrapper);
    } else {
        for (qsizetype p = found.main; p < found.programs.size(); ++p) {
            const Walk::Program& program = found.programs[p];
            if (program.end != words.size())
                continue;  // the command of a find's -exec that has ended
            WordPlace place = placeOf(words, program.position, program.byUnknown);
            if (program.byUnknown) {
                place.runner = found.runner;
                place.endOfOptions = false;
            }
            places.append(place);
        }
    }
    // Behind a program the reader does not know, its strict rules hold as well.
    if (!found.runner.isEmpty()) {
        WordPlace runner;
        runner.options = true;
        runner.strict = true;
        runner.program = found.runner;
        runner.runner = found.runner;
        places.append(runner);
    }
    return places;
}

ShellTemplateReader::WordPlace ShellTemplateReader::placeOf(const QStringList& words, qsizetype i,
                                                            bool byUnknown) {
    const QString program = programName(words[i]);
    Options table =
        program == QLatin1String("git") ? gitOptions(QString()) : programs().value(program);
    const bool stopsAtOperand =
        program == QLatin1String("echo") || program == QLatin1String("printf") || table.operandEnds;
    const bool sox = takesSoxEffects(program);
    // vim in Ex mode ("-e", "-E", or started as ex) reads "-s" as silent mode, without a word.
    bool exMode = false;
    bool ended = false;
    bool effects = false;
    bool endsAfterWord = false;
    // sox's "--" makes only the next word a file name.
    bool endedForOne = false;
    int taken = 0;
    int operands = 0;
    QString subcommand;
    // The command of find's -exec and its words, up to its ";", are not find's.
    const auto commands = program == QLatin1String("find")
                              ? findCommands(words, i, words.size())
                              : QList<std::pair<qsizetype, qsizetype>>{};
    for (qsizetype j = i + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        const bool option =
            word.size() > 1 && (word.startsWith(QLatin1Char('-')) ||
                                (table.plusOptions && word.startsWith(QLatin1Char('+'))));
        if (const auto command = std::find_if(commands.cbegin(), commands.cend(),
                                              [&](const auto& run) { return run.first == j + 1; });
            command != commands.cend()) {
            j = command->second;
        } else if (taken > 0) {
            ended = ended || (--taken == 0 && endsAfterWord);
        } else if (!ended && !endedForOne && sox && word == QLatin1String("--")) {
            endedForOne = !byUnknown;
        } else if (!ended && ((word == QLatin1String("--") && !byUnknown &&
                               (program == QLatin1String("git") || honoursEndOfOptions(program))) ||
                              (word == QLatin1String("--end-of-options") && !subcommand.isEmpty() &&
                               gitEndsOptions(subcommand)))) {
            ended = true;
        } else if (!ended && !std::exchange(endedForOne, false) && !effects && option &&
                   !(stopsAtOperand && operands > 0)) {
            taken = wordsTaken(table, word);
            const bool letters = !word.startsWith(QLatin1String("--"));
            if (program == QLatin1String("vim") && letters) {
                exMode =
                    exMode || word.contains(QLatin1Char('e')) || word.contains(QLatin1Char('E'));
                if (exMode && word.endsWith(QLatin1Char('s')))
                    taken = 0;
            }
            // "-c CODE", or "-cCODE": the options end after the code.
            for (const QString& ending : std::as_const(table.ending)) {
                if (word == ending || (taken > 0 && word.endsWith(ending.back())))
                    endsAfterWord = true;
                else if (word.startsWith(ending) && taken == 0)
                    ended = true;
            }
        } else {
            ++operands;
            effects = effects || (sox && namesSoxEffect(word));
            if (program == QLatin1String("git") && operands == 1) {
                table = gitOptions(word);
                subcommand = QLatin1Char(' ') + word;
            }
        }
    }
    if (taken > 0)
        return WordPlace{};
    WordPlace place;
    place.program = unquoted(words[i]) + subcommand;
    // sox starts a new effect at any word that names one, among the files as among effects.
    place.soxEffects = sox;
    if (effects)
        return place;  // an effect's own words: its name, numbers, options
    place.options = !ended && !endedForOne && !(stopsAtOperand && operands > 0);
    // ImageMagick reads "+name" as an option as it reads "-name".
    place.plusOptions = place.options &&
                        (program == QLatin1String("convert") || program == QLatin1String("magick"));
    // git push and fetch read their operands after the remote as refspecs, whatever ends
    // the options: ":branch" deletes, "+" forces.
    place.refspec =
        (subcommand == QLatin1String(" push") || subcommand == QLatin1String(" fetch")) &&
        operands >= 2;
    place.echoOnly = place.options && program == QLatin1String("echo");
    place.syntax = nameSyntax(program);
    place.strict = !ShellProgramIdentity::familiar(program);
    // After "--", "+…" is a file name to vi and less.
    if (ended && place.syntax == NameSyntax::plusCommand)
        place.syntax = NameSyntax::plain;
    // make reads "NAME=value" as a setting and expands it, dd its operands as "if=…", "of=…";
    // awk reads its operands after the program as files or, with "=", as assignments.
    place.assignment = program == QLatin1String("make") || program == QLatin1String("dd") ||
                       (isAwk(program) && (operands > 0 || programFileGiven(words, i)));
    place.expands = program == QLatin1String("make");
    place.numbers = takesNegativeNumbers(program);
    // Option parsers leave a lone "-" alone; su reads it as "-l".
    place.dashOperand = program != QLatin1String("su");
    place.endOfOptions = place.options && (program == QLatin1String("git")
                                               ? !subcommand.isEmpty() && gitEndsOptions(subcommand)
                                               : honoursEndOfOptions(program));
    return place;
}

// A word, or a redirection's target, that may carry values: every program that may read it
// holds it to its own syntax, in every way bash may spell it (see ShellWordPieces).
void ShellTemplateReader::noteWord(const Frame& frame, bool redirection) {
    if (redirection ? frame.duplicates || frame.hereOperator : frame.conditional)
        return;
    ShellWordPieces::Context context;
    context.substitutions = frame.substitutions;
    context.separators = assignedNames_.contains(QStringLiteral("IFS"));
    QList<ShellWordPieces::Piece> pieces = ShellWordPieces::read(frame.word, flow_, context);
    if (!ShellWordPieces::carriesValues(pieces))
        return;
    WordSpot spot;
    const qsizetype end = source_.size() - (reading_ ? 1 : 0);
    spot.written = source_.mid(frame.wordStart, end - frame.wordStart);
    spot.previous = frame.written.value(frame.written.size() - 1);
    if (redirection) {
        // bash opens some paths itself.
        WordPlace target;
        target.redirection = true;
        spot.places = {target};
    } else {
        spot.places = placesAfter(frame.words);
        spot.next = placesAfter(frame.words + QStringList{frame.word});
        const bool splits = std::any_of(pieces.cbegin(), pieces.cend(), [](const auto& piece) {
            return piece.splitting != ShellWordPieces::Splitting::none &&
                   !(piece.given | piece.changed).isEmpty();
        });
        if (spot.places.isEmpty()) {
            // A command word that expands to several words makes the rest arguments of a
            // program nobody knows.
            if (commandIndex(frame.words) >= 0 || isAssignment(frame.word) || !splits)
                return;
            WordPlace unknown;
            unknown.options = true;
            spot.places = spot.next = {unknown};
        }
        // echo's options only change how it prints: the values themselves are judged there,
        // not text made from them.
        if (std::all_of(spot.places.cbegin(), spot.places.cend(),
                        [](const WordPlace& place) { return place.echoOnly; })) {
            for (ShellWordPieces::Piece& piece : pieces) {
                piece.given |= std::exchange(piece.changed, {});
            }
        }
    }
    spot.pieces = std::move(pieces);
    wordSpots_.append(spot);
}
