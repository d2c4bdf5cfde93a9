#include "Actions/ShellReadings.h"

#include <QDir>
#include <QRegularExpression>

#include "Actions/ShellWords.h"

// How a program reads a value beyond plain text, word by word and as the whole word it is
// part of: the edges it reads as syntax of its own, options, addresses, connections.

namespace ShellCommand {

namespace {

// The edges of `word` that some program the reader knows reads as syntax of its own, for a
// program it does not know: blanks aside, as perl drops them.
std::optional<Reading> strictSyntaxIn(const QString& word) {
    using Edge = Refusal::Edge;
    const QString trimmed = word.trimmed();
    std::optional<Reading> reading;
    static const QStringList operators = {QStringLiteral("("), QStringLiteral(")"),
                                          QStringLiteral(",")};
    if (operators.contains(word))
        reading = Reading{Refusal::Reason::expression, Edge::is, word};
    // perl's open takes "<" and ">" as modes too: ">name" empties the file.
    for (const QChar edge : QStringView(u"+!|<>")) {
        if (!reading && trimmed.startsWith(edge))
            reading = Reading{Refusal::Reason::readAsCommand, Edge::begins, QString(edge)};
    }
    if (!reading && trimmed.endsWith(QLatin1Char('|')))
        reading = Reading{Refusal::Reason::readAsCommand, Edge::ends, QStringLiteral("|")};
    if (reading)
        reading->unfamiliar = true;
    return reading;
}

// The syntax of its own a program reads at the edges of `word` where it takes a file name.
std::optional<Reading> nameSyntaxIn(const QString& word, ShellProgramOptions::NameSyntax syntax) {
    using Syntax = ShellProgramOptions::NameSyntax;
    using Edge = Refusal::Edge;
    const auto command = [](Edge edge, const QString& text) {
        return Reading{Refusal::Reason::readAsCommand, edge, text};
    };
    switch (syntax) {
        case Syntax::plain:
            break;
        case Syntax::plusCommand:
            if (word.startsWith(QLatin1Char('+')))
                return command(Edge::begins, QStringLiteral("+"));
            break;
        case Syntax::bangCommand:
            if (word.startsWith(QLatin1Char('!')))
                return command(Edge::begins, QStringLiteral("!"));
            break;
        case Syntax::perlOpen: {
            // perl drops blanks at both ends before it looks for a mode.
            const QString name = word.trimmed();
            if (name.endsWith(QLatin1Char('|')))
                return command(Edge::ends, QStringLiteral("|"));
            for (const QChar mode : QStringView(u"|<>+")) {
                if (name.startsWith(mode))
                    return command(Edge::begins, QString(mode));
            }
            break;
        }
        case Syntax::soxOpen: {
            if (word.startsWith(QLatin1Char('|')))
                return command(Edge::begins, QStringLiteral("|"));
            // sox hands an address to "wget … \"ADDRESS\"" through a shell: inside double
            // quotes these characters still do something.
            static const QRegularExpression address(QStringLiteral("^(https?|ftp):"),
                                                    QRegularExpression::CaseInsensitiveOption);
            static const QRegularExpression special(QStringLiteral("[\"$`\\\\]"));
            if (address.match(word).hasMatch() && special.match(word).hasMatch())
                return command(Edge::address, special.match(word).captured());
            break;
        }
        case Syntax::findExpression: {
            static const QStringList operators = {QStringLiteral("!"), QStringLiteral("("),
                                                  QStringLiteral(")"), QStringLiteral(",")};
            if (operators.contains(word))
                return Reading{Refusal::Reason::expression, Edge::is, word};
            break;
        }
    }
    return std::nullopt;
}

}  // namespace

// Whether a program that reads `value` where `place` says would take it as more than text:
// how, or none. `pieces`: the value may have been split at blanks on its way (through a
// variable, a command substitution or xargs), so each of its words counts, the first where
// the word stands and the others where `next` says. `joined`: other values may stand right
// before or after it in the word, so it counts only as a part of some text.
std::optional<Reading> readAsMore(const QString& value, const ShellTemplateReader::WordPlace& place,
                                  bool pieces, bool alone, bool separators, bool joined,
                                  const ShellTemplateReader::WordPlace* next) {
    static const QRegularExpression echoOption(QStringLiteral("^-[neE]+$"));
    static const QRegularExpression echoPrefix(QStringLiteral("^-[neE]*$"));
    static const QRegularExpression negativeNumber(QStringLiteral("^-[0-9]+([.,][0-9]+)?%?$"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    // Split where a blank, a quote xargs removes or another separator may cut it: a "-"
    // or "+" after anything but a letter or digit may begin a word.
    static const QRegularExpression cut(QStringLiteral("[^\\w](?=[-+])"),
                                        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression anywhere(QStringLiteral("(?=[-+])"));
    const QStringList words = pieces ? value.split(separators ? anywhere : cut, Qt::SkipEmptyParts)
                                           .join(QLatin1Char(' '))
                                           .split(blanks, Qt::SkipEmptyParts)
                                     : QStringList{value};
    if (place.settings && !value.trimmed().isEmpty())
        return Reading{Refusal::Reason::readAsCommand};
    for (qsizetype k = 0; k < words.size(); ++k) {
        const QString& word = words[k];
        const ShellTemplateReader::WordPlace& at = k > 0 && next ? *next : place;
        std::optional<Reading> reading;
        if (at.echoOnly) {
            if (((alone || pieces) && echoOption.match(word).hasMatch()) ||
                (joined && echoPrefix.match(word).hasMatch()))
                reading = Reading{};
        } else if (at.options && word.startsWith(QLatin1Char('-')) &&
                   !(at.numbers && !joined && negativeNumber.match(word).hasMatch()) &&
                   !(at.dashOperand && !joined && word == QLatin1String("-"))) {
            reading = Reading{};
        }
        if (!reading && at.plusOptions && word.startsWith(QLatin1Char('+')))
            reading = Reading{Refusal::Reason::option, Refusal::Edge::begins, QStringLiteral("+")};
        if (!reading && at.soxEffects && ShellProgramOptions::namesSoxEffect(word))
            reading = Reading{Refusal::Reason::readAsCommand, Refusal::Edge::is, word};
        if (!reading && at.refspec &&
            (word.startsWith(QLatin1Char(':')) || word.startsWith(QLatin1Char('+'))))
            reading = Reading{Refusal::Reason::refspec, Refusal::Edge::begins, word.left(1)};
        if (!reading)
            reading = nameSyntaxIn(word, at.syntax);
        if (!reading && at.strict)
            reading = strictSyntaxIn(word);
        if (reading) {
            reading->split = k > 0;
            return reading;
        }
    }
    if (place.assignment && value.contains(QLatin1Char('=')))
        return Reading{Refusal::Reason::readAsCommand, Refusal::Edge::contains,
                       QStringLiteral("=")};
    if (place.expands && value.contains(QLatin1Char('$')))
        return Reading{Refusal::Reason::readAsCommand, Refusal::Edge::contains,
                       QStringLiteral("$")};
    return std::nullopt;
}

Whole wholeWord(const QList<ShellTemplateReader::Piece>& pieces,
                const QList<const Placeholder*>& numbered) {
    Whole whole;
    bool begun = false;
    for (const ShellTemplateReader::Piece& piece : pieces) {
        const bool known = piece.value >= 1 && piece.value <= numbered.size();
        const QString text = known ? numbered.at(piece.value - 1)->second : piece.text;
        if (text.isEmpty())
            continue;
        whole.text += text;
        if (!std::exchange(begun, true))
            whole.firstValue = known ? piece.value : 0;
        whole.lastValue = known ? piece.value : 0;
        if (known && !whole.anyValue)
            whole.anyValue = piece.value;
    }
    return whole;
}

// Whether bash opens `path` itself as a network connection where it is a redirection's target.
bool opensConnection(const QString& path, bool partOfWord) {
    static const QRegularExpression connection(QStringLiteral("(^|/)dev/+(tcp|udp)(/|$)"));
    static const QRegularExpression part(QStringLiteral("(^|/)(tcp|udp)(/|$)"));
    const QString clean = QDir::cleanPath(path);
    return connection.match(clean).hasMatch() || (partOfWord && part.match(clean).hasMatch());
}

// What a program makes of a whole word beyond the edge a value begins: its end where a value
// ends it, an address a value is part of, a connection bash opens.
std::optional<Reading> wholeReading(const Whole& whole,
                                    const ShellTemplateReader::WordPlace& place) {
    using Syntax = ShellProgramOptions::NameSyntax;
    // A value anywhere in a redirection's target may make the path bash opens itself.
    if (place.redirection)
        return whole.anyValue && opensConnection(whole.text)
                   ? std::optional(Reading{Refusal::Reason::network})
                   : std::nullopt;
    if (whole.firstValue == 0 && whole.lastValue == 0)
        return std::nullopt;
    if (whole.lastValue > 0 && whole.text.trimmed().endsWith(QLatin1Char('|')) &&
        (place.syntax == Syntax::perlOpen || place.strict)) {
        Reading reading{Refusal::Reason::readAsCommand, Refusal::Edge::ends, QStringLiteral("|")};
        reading.unfamiliar = place.syntax != Syntax::perlOpen;
        return reading;
    }
    if (place.syntax == Syntax::soxOpen && whole.firstValue == 0)
        return nameSyntaxIn(whole.text, place.syntax);
    return std::nullopt;
}

// Whether "./" before the value would make the program read it as a plain file name: where it
// takes file names, for a value that is no number and, where it would be an option, no
// sentence ("- Tippfehler behoben").
bool mayBeRelativePath(const Reading& reading, const ShellTemplateReader::WordPlace& place,
                       const QString& value) {
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9]+([.,][0-9]+)?%?$"));
    static const QRegularExpression blank(QStringLiteral("\\s"));
    if (value.isEmpty() || number.match(value).hasMatch() ||
        (reading.reason == Refusal::Reason::option && blank.match(value).hasMatch()))
        return false;
    // perl opens "./name |" through a shell all the same; an address is no path.
    if (place.syntax == ShellProgramOptions::NameSyntax::perlOpen ||
        reading.edge == Refusal::Edge::address || reading.reason == Refusal::Reason::refspec ||
        reading.reason == Refusal::Reason::network ||
        (reading.edge == Refusal::Edge::is && place.soxEffects))
        return false;
    return ShellProgramOptions::takesFileNames(
        ShellWords::programName(place.program.section(QLatin1Char(' '), 0, 0)));
}

}  // namespace ShellCommand
