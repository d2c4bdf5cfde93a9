#include "Actions/ShellReadings.h"

#include <QRegularExpression>
#include <algorithm>

#include "Actions/ShellSettingsFiles.h"
#include "Actions/ShellWords.h"

namespace ShellCommand {

namespace {

using ShellWordPieces::Segment;
using ShellWordPieces::Word;
using Place = ShellTemplateReader::WordPlace;
using Edge = Refusal::Edge;

qsizetype firstOf(const ShellWordPieces::Values& values) {
    return values.isEmpty() ? 0 : *std::min_element(values.cbegin(), values.cend());
}

// One end of a word where a value makes it: the text known from there up to the first text
// nobody can read yet, and whether such text follows. An empty value at the end leaves the
// edge to the template's text after it, which then counts as the value's.
struct End {
    QString text;
    bool open = false;
    qsizetype value = 0;
    bool derived = false;  // text made from values stands at the end
    bool empty = false;
};

std::optional<End> endOf(const Word& word, bool last) {
    const qsizetype size = word.size();
    const auto at = [&](qsizetype k) -> const Segment& { return word[last ? size - 1 - k : k]; };
    qsizetype k = 0;
    qsizetype emptyValue = 0;
    for (; k < size && !at(k).opaque && at(k).value > 0 && at(k).text.isEmpty(); ++k) {
        if (!emptyValue)
            emptyValue = at(k).value;
    }
    if (k == size)
        return std::nullopt;
    if (at(k).opaque) {
        if (at(k).derived.isEmpty())
            return std::nullopt;  // the template's own text
        End end;
        end.open = true;
        end.derived = true;
        end.value = firstOf(at(k).derived);
        return end;
    }
    if (at(k).value == 0 && !emptyValue)
        return std::nullopt;  // the template's text makes this end
    End end;
    end.value = at(k).value > 0 ? at(k).value : emptyValue;
    end.empty = at(k).value == 0;
    for (; k < size && !at(k).opaque; ++k)
        end.text = last ? at(k).text + end.text : end.text + at(k).text;
    end.open = k < size;
    return end;
}

// The first value with text in the word, or text made from values.
qsizetype anyValue(const Word& word) {
    for (const Segment& segment : word) {
        if (segment.value > 0 && !segment.text.isEmpty())
            return segment.value;
        if (!segment.derived.isEmpty())
            return firstOf(segment.derived);
    }
    return 0;
}

Reading reading(Refusal::Reason reason, Edge edge, const QString& text, const End& end) {
    Reading result{reason, edge, text, end.value};
    result.empty = end.empty;
    result.derived = end.derived;
    return result;
}

// Whether bash opens the target as a connection: only a path that begins "/dev/tcp/" or
// "/dev/udp/" as written, and only where a value makes part of that beginning, or stands in
// a target the template writes out that way. Text nobody can read yet may be anything of
// the template's, and text made from values anything at all.
std::optional<qsizetype> connection(const Word& word) {
    const qsizetype holds = anyValue(word);
    if (!holds)
        return std::nullopt;
    static const QString prefixes[] = {QStringLiteral("/dev/tcp/"), QStringLiteral("/dev/udp/")};
    for (const QString& prefix : prefixes) {
        struct State {
            qsizetype matched = 0;
            qsizetype value = 0;
            bool unknown = false;
            bool operator==(const State&) const = default;
        };
        QList<State> states = {State{}};
        for (const Segment& segment : word) {
            QList<State> next;
            for (const State& state : std::as_const(states)) {
                if (state.matched == prefix.size()) {
                    next.append(state);
                } else if (segment.opaque) {
                    if (!segment.derived.isEmpty())
                        return firstOf(segment.derived);
                    for (qsizetype k = state.matched; k <= prefix.size(); ++k)
                        next.append(State{k, state.value, true});
                } else {
                    State moved = state;
                    bool fits = true;
                    for (const QChar c : segment.text) {
                        if (moved.matched == prefix.size())
                            break;
                        if (prefix[moved.matched] != c) {
                            fits = false;
                            break;
                        }
                        ++moved.matched;
                        if (segment.value > 0 && !moved.value)
                            moved.value = segment.value;
                    }
                    if (fits)
                        next.append(moved);
                }
            }
            states.clear();
            for (const State& state : std::as_const(next)) {
                if (!states.contains(state))
                    states.append(state);
            }
        }
        for (const State& state : std::as_const(states)) {
            if (state.matched == prefix.size() && (state.value || !state.unknown))
                return state.value ? state.value : holds;
        }
    }
    return std::nullopt;
}

// The edges of a word that some program the reader knows reads as syntax of its own, for a
// program it does not know: blanks aside, as perl drops them.
std::optional<Reading> strictBeginning(const End& begin) {
    const QString trimmed = begin.text.trimmed();
    if (!begin.open && (begin.text == QLatin1String("(") || begin.text == QLatin1String(")") ||
                        begin.text == QLatin1String(",")))
        return reading(Refusal::Reason::expression, Edge::is, begin.text, begin);
    // perl's open takes "<" and ">" as modes too: ">name" empties the file.
    for (const QChar edge : QStringView(u"+!|<>")) {
        if (trimmed.startsWith(edge))
            return reading(Refusal::Reason::readAsCommand, Edge::begins, QString(edge), begin);
    }
    return std::nullopt;
}

// The syntax of its own a program reads at the beginning of a word it takes as a file name.
std::optional<Reading> nameSyntaxAt(const End& begin, ShellProgramOptions::NameSyntax syntax) {
    using Syntax = ShellProgramOptions::NameSyntax;
    const auto command = [&](const QString& text) {
        return reading(Refusal::Reason::readAsCommand, Edge::begins, text, begin);
    };
    switch (syntax) {
        case Syntax::plain:
        case Syntax::soxOpen:
            if (syntax == Syntax::soxOpen && begin.text.startsWith(QLatin1Char('|')))
                return command(QStringLiteral("|"));
            break;
        case Syntax::plusCommand:
            if (begin.text.startsWith(QLatin1Char('+')))
                return command(QStringLiteral("+"));
            break;
        case Syntax::bangCommand:
            if (begin.text.startsWith(QLatin1Char('!')))
                return command(QStringLiteral("!"));
            break;
        case Syntax::perlOpen:
            // perl drops blanks at both ends before it looks for a mode.
            for (const QChar mode : QStringView(u"|<>+")) {
                if (begin.text.trimmed().startsWith(mode))
                    return command(QString(mode));
            }
            break;
        case Syntax::pipedOutput:
            for (const QChar edge : QStringView(u"|!")) {
                if (begin.text.startsWith(edge))
                    return command(QString(edge));
            }
            break;
        case Syntax::findExpression:
            if (!begin.open && QStringList{"!", "(", ")", ","}.contains(begin.text))
                return reading(Refusal::Reason::expression, Edge::is, begin.text, begin);
            break;
    }
    return std::nullopt;
}

// What a program makes of the beginning of a word a value makes: an option, a sign of its
// own, a refspec, an effect, a setting.
std::optional<Reading> atBeginning(const End& begin, const Place& place) {
    using Syntax = ShellProgramOptions::NameSyntax;
    if (begin.derived) {
        // Text made from a value may begin with anything.
        if (place.options)
            return reading(Refusal::Reason::derivedOption, Edge::none, {}, begin);
        if (place.syntax != Syntax::plain || place.assignment || place.expands || place.strict)
            return reading(Refusal::Reason::readAsCommand, Edge::none, {}, begin);
        return std::nullopt;
    }
    static const QRegularExpression echoOption(QStringLiteral("^-[neE]+$"));
    static const QRegularExpression echoStart(QStringLiteral("^-[neE]*$"));
    static const QRegularExpression negativeNumber(QStringLiteral("^-[0-9]+([.,][0-9]+)?%?$"));
    // read drops the blanks a line begins with and, without -r, backslashes; xargs does both
    // as well: a value may come to a program without them.
    static const QRegularExpression dropped(QStringLiteral("^[ \\t\\n\\\\]+"));
    const QString text = QString(begin.text).remove(dropped);
    const bool closed = !begin.open;
    if (place.echoOnly) {
        if (closed ? echoOption.match(text).hasMatch() : echoStart.match(text).hasMatch())
            return reading(Refusal::Reason::option, Edge::none, {}, begin);
    } else if (place.options && text.startsWith(QLatin1Char('-')) &&
               !(place.numbers && closed && negativeNumber.match(text).hasMatch()) &&
               !(place.dashOperand && closed && text == QLatin1String("-"))) {
        return reading(Refusal::Reason::option, Edge::none, {}, begin);
    }
    if (place.plusOptions && text.startsWith(QLatin1Char('+')))
        return reading(Refusal::Reason::option, Edge::begins, QStringLiteral("+"), begin);
    if (place.soxEffects && closed && ShellProgramOptions::namesSoxEffect(text))
        return reading(Refusal::Reason::readAsCommand, Edge::is, text, begin);
    if (place.refspec && (text.startsWith(QLatin1Char(':')) || text.startsWith(QLatin1Char('+'))))
        return reading(Refusal::Reason::refspec, Edge::begins, text.left(1), begin);
    if (auto syntax = nameSyntaxAt(begin, place.syntax))
        return syntax;
    if (place.strict) {
        if (auto strict = strictBeginning(begin)) {
            strict->unfamiliar = true;
            return strict;
        }
    }
    if (place.assignment && text.contains(QLatin1Char('=')))
        return reading(Refusal::Reason::readAsCommand, Edge::contains, QStringLiteral("="), begin);
    return std::nullopt;
}

// perl's open runs a name that ends in "|", blanks aside; so may a program nobody knows.
std::optional<Reading> atEnd(const End& end, const Place& place) {
    const bool perl = place.syntax == ShellProgramOptions::NameSyntax::perlOpen;
    if (!perl && !place.strict)
        return std::nullopt;
    if (!end.derived && !end.text.trimmed().endsWith(QLatin1Char('|')))
        return std::nullopt;
    Reading result = reading(Refusal::Reason::readAsCommand, end.derived ? Edge::none : Edge::ends,
                             end.derived ? QString() : QStringLiteral("|"), end);
    result.unfamiliar = !perl;
    return result;
}

// sox fetches an address through a shell, inside double quotes: a value there may hold
// nothing that quotes give a meaning. Text nobody can read before the value may begin an
// address.
std::optional<Reading> asAddress(const Word& word) {
    static const QRegularExpression scheme(QStringLiteral("^(https?|ftp):"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression special(QStringLiteral("[\"$`\\\\]"));
    QString known;
    bool unknownBefore = false;
    for (const Segment& segment : word) {
        if (segment.opaque) {
            unknownBefore = unknownBefore || known.isEmpty();
            break;
        }
        known += segment.text;
    }
    if (!unknownBefore && !scheme.match(known).hasMatch())
        return std::nullopt;
    for (const Segment& segment : word) {
        if (!segment.derived.isEmpty()) {
            Reading made{Refusal::Reason::readAsCommand, Edge::none, {}, firstOf(segment.derived)};
            made.derived = true;
            return made;
        }
        if (const QRegularExpressionMatch found = special.match(segment.text);
            segment.value > 0 && found.hasMatch())
            return Reading{Refusal::Reason::readAsCommand, Edge::address, found.captured(),
                           segment.value};
    }
    return std::nullopt;
}

// make expands "$" in the value of a "NAME=…" the template writes.
std::optional<Reading> inSetting(const Word& word) {
    QString name;
    qsizetype k = 0;
    for (; k < word.size() && !word[k].opaque && word[k].value == 0; ++k) {
        name += word[k].text;
        if (name.contains(QLatin1Char('=')))
            break;
    }
    if (!name.contains(QLatin1Char('=')))
        return std::nullopt;
    for (; k < word.size(); ++k) {
        if (!word[k].derived.isEmpty() ||
            (word[k].value > 0 && word[k].text.contains(QLatin1Char('$'))))
            return Reading{Refusal::Reason::readAsCommand, Edge::contains, QStringLiteral("$"),
                           word[k].value ? word[k].value : firstOf(word[k].derived)};
    }
    return std::nullopt;
}

}  // namespace

std::optional<Reading> judge(const Word& word, const Place& place) {
    if (place.settings) {
        // A list of settings (curl -K): any text there is one.
        for (const Segment& segment : word) {
            if (!segment.derived.isEmpty() ||
                (segment.value > 0 && !segment.text.trimmed().isEmpty()))
                return Reading{Refusal::Reason::readAsCommand,
                               Edge::none,
                               {},
                               segment.value ? segment.value : firstOf(segment.derived)};
        }
        return std::nullopt;
    }
    if (place.settingsName) {
        // A name values make: one a program reads as its settings is refused, whatever the
        // name is made of besides (text nobody can read before bash runs counts as none).
        QString path;
        qsizetype value = 0;
        for (const Segment& segment : word) {
            if (!segment.derived.isEmpty()) {
                Reading made{
                    Refusal::Reason::readAsCommand, Edge::none, {}, firstOf(segment.derived)};
                made.derived = true;
                return made;
            }
            if (!segment.opaque)
                path += segment.text;
            if (segment.value > 0 && value == 0)
                value = segment.value;
        }
        if (value > 0 && !ShellSettingsFiles::owner(path).isEmpty())
            return Reading{Refusal::Reason::readAsCommand, Edge::none, {}, value};
        return std::nullopt;
    }
    if (place.redirection) {
        if (const std::optional<qsizetype> value = connection(word))
            return Reading{Refusal::Reason::network, Edge::none, {}, *value};
        return std::nullopt;
    }
    if (const std::optional<End> begin = endOf(word, false)) {
        if (auto found = atBeginning(*begin, place))
            return found;
    }
    if (const std::optional<End> end = endOf(word, true)) {
        if (auto found = atEnd(*end, place))
            return found;
    }
    if (place.syntax == ShellProgramOptions::NameSyntax::soxOpen) {
        if (auto found = asAddress(word))
            return found;
    }
    if (place.expands) {
        if (auto found = inSetting(word))
            return found;
    }
    return std::nullopt;
}

// Whether "./" before the value would make the program read it as a plain file name: where it
// takes file names, for a value that is no number and, where it would be an option, no
// sentence ("- Tippfehler behoben").
bool mayBeRelativePath(const Reading& reading, const ShellTemplateReader::WordPlace& place,
                       const QString& value) {
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9]+([.,][0-9]+)?%?$"));
    static const QRegularExpression blank(QStringLiteral("\\s"));
    if (value.isEmpty() || reading.empty || reading.derived || number.match(value).hasMatch() ||
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
