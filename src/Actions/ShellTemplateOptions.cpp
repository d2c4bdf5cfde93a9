#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellProgramIdentity.h"
#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Words a program may read as more than text: an option where a value begins with "-", a
// command where it begins with "+", a setting where it is "NAME=value".

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {
// Whether bash expands braces in `word`: an unquoted "{" with an unquoted "," or ".." before
// its "}".
bool bracesExpand(const QString& word) {
    bool single = false;
    bool dquote = false;
    QList<bool> opened;  // for each open brace: whether it holds a separator yet
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c == QLatin1Char('\\')) {
            ++i;
        } else if (c == QLatin1Char('\'') && !dquote) {
            single = !single;
        } else if (c == QLatin1Char('"') && !single) {
            dquote = !dquote;
        } else if (single || dquote) {
            continue;
        } else if (c == QLatin1Char('$') && i + 1 < word.size() &&
                   word[i + 1] == QLatin1Char('{')) {
            for (int depth = 0; i < word.size(); ++i) {  // "${…}" is no brace expansion
                if (word[i] == QLatin1Char('{'))
                    ++depth;
                else if (word[i] == QLatin1Char('}') && --depth == 0)
                    break;
            }
        } else if (c == QLatin1Char('{')) {
            opened.append(false);
        } else if (!opened.isEmpty() &&
                   (c == QLatin1Char(',') || (c == QLatin1Char('.') && i + 1 < word.size() &&
                                              word[i + 1] == QLatin1Char('.')))) {
            opened.last() = true;
        } else if (c == QLatin1Char('}') && !opened.isEmpty()) {
            if (opened.takeLast())
                return true;
        }
    }
    return false;
}

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

// `word` as the program gets it, in pieces of template text and values; none where other
// expansions, $'…' or brace expansion make it something the template does not show.
std::optional<QList<ShellTemplateReader::Piece>> piecesOf(const QString& word) {
    static const QRegularExpression reference(QStringLiteral("^\\$\\{tavrin_value_([0-9]+)\\}"));
    if (bracesExpand(word))
        return std::nullopt;
    QList<ShellTemplateReader::Piece> pieces;
    const auto text = [&](QChar c) {
        if (pieces.isEmpty() || pieces.last().value != 0)
            pieces.append(ShellTemplateReader::Piece{});
        pieces.last().text += c;
    };
    bool inDoubleQuotes = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        const QStringView rest = QStringView(word).mid(i);
        if (c == QLatin1Char('"')) {
            inDoubleQuotes = !inDoubleQuotes;
        } else if (c == QLatin1Char('\\') && i + 1 < word.size()) {
            if (inDoubleQuotes && !QStringView(u"$`\"\\").contains(word[i + 1]))
                text(c);
            text(word[++i]);
        } else if (c == QLatin1Char('\'') && !inDoubleQuotes) {
            const qsizetype end = word.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return std::nullopt;
            for (qsizetype j = i + 1; j < end; ++j)
                text(word[j]);
            i = end;
        } else if (const QRegularExpressionMatch match = reference.match(rest); match.hasMatch()) {
            pieces.append(ShellTemplateReader::Piece{{}, match.captured(1).toLongLong()});
            i += match.capturedLength() - 1;
        } else if (c == QLatin1Char('$') || c == QLatin1Char('`')) {
            return std::nullopt;
        } else {
            text(c);
        }
    }
    return pieces;
}

}  // namespace

// A redirection's target that holds a value: bash opens some paths itself.
void ShellTemplateReader::noteRedirectionTarget(const Frame& frame) {
    if (frame.duplicates || frame.hereOperator ||
        !frame.word.contains(QLatin1String("tavrin_value_")))
        return;
    OptionSpot spot;
    spot.place.redirection = true;
    spot.pieces = piecesOf(frame.word);
    const qsizetype end = source_.size() - (reading_ ? 1 : 0);
    spot.written = source_.mid(frame.wordStart, end - frame.wordStart);
    static const QRegularExpression anyReference(QStringLiteral("tavrin_value_([0-9]+)"));
    // Where the target's pieces are not known, every value in it counts as its start.
    if (!spot.pieces) {
        for (auto found = anyReference.globalMatch(frame.word); found.hasNext();)
            spot.reached.insert(found.next().captured(1).toLongLong());
    }
    optionSpots_.append(spot);
}

// How the program that `words` run reads the word after them: none when that word is the
// command word, an assignment, a word of a shell keyword, or a word an option takes.
std::optional<ShellTemplateReader::WordPlace> ShellTemplateReader::placeAfter(
    const QStringList& words) {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return std::nullopt;
    static const QSet<QString> keywords = {
        QStringLiteral("[["),      QStringLiteral("for"),     QStringLiteral("select"),
        QStringLiteral("case"),    QStringLiteral("in"),      QStringLiteral("function"),
        QStringLiteral("export"),  QStringLiteral("local"),   QStringLiteral("declare"),
        QStringLiteral("typeset"), QStringLiteral("readonly")};
    if (keywords.contains(programName(words[index])))
        return std::nullopt;
    std::optional<WordPlace> amongWrappers;
    QString runner;
    const qsizetype i = programIndex(words, &amongWrappers, nullptr, &runner);
    // Behind a program the reader does not know, its strict rules hold as well, and a "--"
    // may end nothing.
    const auto behindRunner = [&](std::optional<WordPlace> place) {
        if (runner.isEmpty() || !place)
            return place;
        place->strict = true;
        place->options = true;
        place->echoOnly = false;
        place->endOfOptions = false;
        place->runner = runner;
        if (place->program.isEmpty())
            place->program = runner;
        return place;
    };
    if (i < 0)
        return behindRunner(amongWrappers);
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
    for (qsizetype j = i + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        const bool option =
            word.size() > 1 && (word.startsWith(QLatin1Char('-')) ||
                                (table.plusOptions && word.startsWith(QLatin1Char('+'))));
        if (taken > 0) {
            ended = ended || (--taken == 0 && endsAfterWord);
        } else if (!ended && !endedForOne && sox && word == QLatin1String("--")) {
            endedForOne = true;
        } else if (!ended && ((word == QLatin1String("--") &&
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
        return behindRunner(WordPlace{});
    WordPlace place;
    place.program = unquoted(words[i]) + subcommand;
    // sox starts a new effect at any word that names one, among the files as among effects.
    place.soxEffects = sox;
    if (effects)
        return behindRunner(place);  // an effect's own words: its name, numbers, options
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
    // make reads "NAME=value" as a setting and expands it; awk reads its operands after the
    // program as files or, with "=", as assignments.
    place.assignment = program == QLatin1String("make") ||
                       (isAwk(program) && (operands > 0 || programFileGiven(words, i)));
    place.expands = program == QLatin1String("make");
    place.numbers = takesNegativeNumbers(program);
    // Option parsers leave a lone "-" alone; su reads it as "-l".
    place.dashOperand = program != QLatin1String("su");
    place.endOfOptions = place.options && (program == QLatin1String("git")
                                               ? !subcommand.isEmpty() && gitEndsOptions(subcommand)
                                               : honoursEndOfOptions(program));
    return behindRunner(place);
}

// A word that holds values, or expansions that may bring them, where a program may read
// them as more than text.
void ShellTemplateReader::noteLeadingValues(const Frame& frame) {
    if (frame.conditional)
        return;
    static const QRegularExpression reference(QStringLiteral("^\\$\\{tavrin_value_([0-9]+)\\}"));
    const QString& word = frame.word;
    OptionSpot spot;
    bool leading = true;
    bool inDoubleQuotes = false;
    bool severalWords = false;  // an expansion that may give more words than one
    qsizetype substitution = 0;
    qsizetype i = 0;
    const auto reached = [&](const ShellValueFlow::Values& values, bool splits,
                             bool derived = false) {
        if (values.isEmpty())
            return;
        if (leading || (!inDoubleQuotes && splits))
            (derived ? spot.derived : spot.reached) |= values;
        severalWords = severalWords || (!inDoubleQuotes && splits);
    };
    const auto expansion = [&](QStringView text) {
        ShellValueFlow::Values given;
        ShellValueFlow::Values derived;
        flow_.split(text, given, derived);
        reached(given, true);
        reached(derived, true, true);
    };
    while (i < word.size()) {
        const QChar c = word[i];
        const QStringView rest = QStringView(word).mid(i);
        if (c == QLatin1Char('"')) {
            inDoubleQuotes = !inDoubleQuotes;
            ++i;
        } else if (rest.startsWith(u"\\\n")) {
            i += 2;  // a line continuation, inside quotes or out: nothing
        } else if (rest.startsWith(u"$\"") && !inDoubleQuotes) {
            ++i;  // $"…" is "…", perhaps translated
        } else if (c == QLatin1Char('\'') && !inDoubleQuotes) {
            const qsizetype end = word.indexOf(QLatin1Char('\''), i + 1);
            if (end != i + 1) {
                leading = false;
                spot.alone = false;
            }
            i = end < 0 ? word.size() : end + 1;
        } else if (const QRegularExpressionMatch match = reference.match(rest); match.hasMatch()) {
            if (leading)
                spot.numbers.append(match.captured(1).toLongLong());
            i += match.capturedLength();
        } else if (rest.startsWith(u"$'") && !inDoubleQuotes) {
            qsizetype end = i + 2;
            while (end < word.size() && word[end] != QLatin1Char('\''))
                end += word[end] == QLatin1Char('\\') ? 2 : 1;
            // $'…' with text in it, unless an escape begins it: "\c@" or "\x00" ends the
            // string right there, so it may come to nothing.
            if (end != i + 2 && word[i + 2] != QLatin1Char('\\')) {
                leading = false;
                spot.alone = false;
            }
            i = std::min(end + 1, word.size());
        } else if (rest.startsWith(u"$((")) {
            leading = false;  // a number the template computes
            spot.alone = false;
            int depth = 0;
            for (; i < word.size(); ++i) {
                if (word[i] == QLatin1Char('('))
                    ++depth;
                else if (word[i] == QLatin1Char(')') && --depth == 0)
                    break;
            }
            ++i;
        } else if (rest.startsWith(u"$(")) {
            // The reader keeps a command substitution's text out of the word: "$(" is left.
            reached(frame.substitutions.value(substitution++), true, true);
            i += 2;
        } else if (rest.startsWith(u"${")) {
            int depth = 0;
            qsizetype end = i + 1;
            for (; end < word.size(); ++end) {
                if (word[end] == QLatin1Char('{'))
                    ++depth;
                else if (word[end] == QLatin1Char('}') && --depth == 0)
                    break;
            }
            const QStringView content = QStringView(word).mid(i + 2, end - i - 2);
            expansion(QStringView(word).mid(i, end + 1 - i));
            severalWords = severalWords || content.contains(u"[@]") || content.contains(u"[*]") ||
                           content.startsWith(QLatin1Char('@')) ||
                           content.startsWith(QLatin1Char('*'));
            i = std::min(end + 1, word.size());
        } else if (c == QLatin1Char('$') && i + 1 < word.size() &&
                   (isNameStart(word[i + 1]) || word[i + 1].isDigit() ||
                    word[i + 1] == QLatin1Char('@') || word[i + 1] == QLatin1Char('*'))) {
            qsizetype length = nameLength(rest.mid(1));
            if (length == 0)
                length = 1;
            expansion(rest.mid(0, 1 + length));
            severalWords =
                severalWords || word[i + 1] == QLatin1Char('@') || word[i + 1] == QLatin1Char('*');
            i += 1 + length;
        } else if (rest.startsWith(u"$!")) {
            i += 2;  // the last background job's number: nothing when there is none
        } else if (c == QLatin1Char('`')) {
            qsizetype end = i + 1;
            while (end < word.size() && word[end] != QLatin1Char('`'))
                end += word[end] == QLatin1Char('\\') ? 2 : 1;
            reached(flow_.valuesIn(QStringView(word).mid(i, end - i)), true, true);
            i = std::min(end + 1, word.size());
        } else if (!inDoubleQuotes && QStringView(u"*?[").contains(c)) {
            // A pattern may match a file whose name is all that comes before the value, or
            // nothing: what begins the word is not known.
            spot.alone = false;
            ++i;
        } else {
            leading = false;
            spot.alone = false;
            i += c == QLatin1Char('\\') ? 2 : 1;
        }
    }
    spot.separators = assignedNames_.contains(QStringLiteral("IFS"));
    const qsizetype end = source_.size() - (reading_ ? 1 : 0);
    spot.written = source_.mid(frame.wordStart, end - frame.wordStart);
    std::optional<WordPlace> place = placeAfter(frame.words);
    // make expands the value of a "NAME=…" word: any value in it counts, wherever it stands.
    static const QRegularExpression anyReference(QStringLiteral("tavrin_value_([0-9]+)"));
    const qsizetype equals = word.indexOf(QLatin1Char('='));
    if (place && place->expands && equals > 0 && !word.left(equals).contains(QLatin1Char('$'))) {
        OptionSpot setting;
        setting.place.expands = true;
        setting.reached = spot.reached | flow_.valuesIn(word);
        setting.derived = spot.derived;
        for (auto found = anyReference.globalMatch(word); found.hasNext();)
            setting.reached.insert(found.next().captured(1).toLongLong());
        if (!setting.reached.isEmpty())
            optionSpots_.append(setting);
    }
    spot.pieces = piecesOf(word);
    const bool holdsValues =
        spot.pieces && std::any_of(spot.pieces->cbegin(), spot.pieces->cend(),
                                   [](const Piece& piece) { return piece.value != 0; });
    if (spot.numbers.isEmpty() && spot.reached.isEmpty() && spot.derived.isEmpty() &&
        !holdsValues &&
        !(place && bracesExpand(word) && word.contains(QLatin1String("tavrin_value_"))))
        return;
    // A command word that expands to several words makes the rest arguments of a program
    // nobody knows.
    if (!place && commandIndex(frame.words) < 0 && !isAssignment(word) && severalWords &&
        !(spot.reached.isEmpty() && spot.derived.isEmpty())) {
        place = WordPlace{};
        place->options = true;
        spot.numbers.clear();
    }
    if (!place)
        return;
    spot.place = *place;
    spot.next = placeAfter(frame.words + QStringList{word}).value_or(WordPlace{});
    if (bracesExpand(word)) {
        // "{,}{{a}}", "{{{a}},x}": brace expansion may give each value a word of its own.
        static const QRegularExpression anyValue(QStringLiteral("tavrin_value_([0-9]+)"));
        for (auto found = anyValue.globalMatch(word); found.hasNext();) {
            OptionSpot alone = spot;
            alone.numbers = {found.next().captured(1).toLongLong()};
            alone.alone = true;
            alone.joinedText = true;
            optionSpots_.append(alone);
        }
    }
    optionSpots_.append(spot);
}
