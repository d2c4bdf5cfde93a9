#include "Actions/ShellCommand.h"

#include <unistd.h>

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

#include "Actions/ShellProgramIdentity.h"
#include "Actions/ShellReadings.h"
#include "Actions/ShellRereading.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

extern char** environ;

namespace ShellCommand {

namespace {

// Linux takes no single argument longer than 32 pages (with its NUL), whatever the total.
constexpr qsizetype longestArgument = 32 * 4096 - 1;

// The login shell's script: it runs after the user's profile and hands the template, quoted
// into this text itself, with the values to bash. A profile that moves the positional
// parameters ("shift") can only move values (the script's first line then stops), never make
// one the script. Without start-up files and without BASH_ENV, which a profile may set, and
// in privileged mode ("-p"), in which bash takes no functions from the environment and ignores
// SHELLOPTS and BASHOPTS (a profile may export "git() …" or "set -k"), bash reads the template
// in the state the template reader knows.
QString handOver(const QString& script) {
    return QStringLiteral("exec /usr/bin/env -u BASH_ENV /bin/bash --noprofile --norc -p -c ") +
           quote(script) + QStringLiteral(" tavrin \"$@\"");
}

// Whether program arguments of these sizes, with the environment, stay within what the
// system passes to a new program.
bool fitsCommandLine(const QList<QByteArray>& arguments) {
    const long limit = sysconf(_SC_ARG_MAX);
    if (limit <= 0)
        return true;
    qsizetype total = 0;
    for (char** variable = environ; variable && *variable; ++variable)
        total += qsizetype(strlen(*variable)) + 1 + qsizetype(sizeof(char*));
    for (const QByteArray& argument : arguments)
        total += argument.size() + 1 + qsizetype(sizeof(char*));
    return total + 4096 < limit;  // room for the program's name and the shells' own words
}

// Walks `text` once, handing each stretch of template text to `literal` and each
// placeholder found to `value`, with its start and length in `text`.
template <typename Literal, typename Value>
void scan(const QString& text, const QList<Placeholder>& placeholders, Literal literal,
          Value value) {
    static const QString open = QStringLiteral("{{");
    static const QString close = QStringLiteral("}}");
    qsizetype position = 0;
    qsizetype copied = 0;
    while (position < text.size()) {
        const qsizetype start = text.indexOf(open, position);
        if (start < 0)
            break;
        const QStringView rest = QStringView(text).mid(start + open.size());
        const Placeholder* match = nullptr;
        for (const Placeholder& placeholder : placeholders) {
            if (rest.startsWith(placeholder.first) &&
                rest.mid(placeholder.first.size()).startsWith(close)) {
                match = &placeholder;
                break;
            }
        }
        if (!match) {
            // Not a known placeholder: look again from the next brace, so "{{{name}}" still
            // finds "{{name}}".
            position = start + 1;
            continue;
        }
        literal(QStringView(text).mid(copied, start - copied));
        const qsizetype length = open.size() + match->first.size() + close.size();
        value(*match, start, length);
        position = start + length;
        copied = position;
    }
    literal(QStringView(text).mid(copied));
}

}  // namespace

QString quote(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString fill(const QString& text, const QList<Placeholder>& placeholders,
             const std::function<QString(const QString&)>& encode) {
    QString result;
    result.reserve(text.size());
    scan(
        text, placeholders, [&](QStringView literal) { result += literal; },
        [&](const Placeholder& placeholder, qsizetype, qsizetype) {
            result += encode(placeholder.second);
        });
    return result;
}

QString display(const QString& text, const QList<Placeholder>& placeholders) {
    return fill(text, placeholders, quote);
}

namespace {

// The template with each placeholder written as a reference to its value's number, in the
// order prepare() numbers them, for following where values go.
Refusal refusalFor(const ShellTemplateReader::Finding& finding, const QStringList& names) {
    using Evaluation = ShellTemplateReader::Evaluation;
    Refusal::Reason reason = Refusal::Reason::evaluated;
    switch (finding.how) {
        case Evaluation::code:
            reason = Refusal::Reason::evaluated;
            break;
        case Evaluation::arithmetic:
            reason = Refusal::Reason::arithmetic;
            break;
        case Evaluation::name:
            reason = Refusal::Reason::variableName;
            break;
        case Evaluation::unknownCommand:
            reason = Refusal::Reason::unknownCommand;
            break;
        case Evaluation::unmodelled:
            reason = Refusal::Reason::unmodelled;
            break;
        case Evaluation::shellOption:
            reason = Refusal::Reason::shellOption;
            break;
    }
    return Refusal{reason, names, finding.construct};
}

// A value bash's arithmetic reads as the same decimal number it shows: an optional "-" and
// digits without a leading zero (which would make it octal), short enough not to overflow.
bool plainInteger(const QString& value) {
    static const QRegularExpression integer(QStringLiteral("^-?(0|[1-9][0-9]{0,17})$"));
    return integer.match(value).hasMatch();
}

// The reference to a value where the reader says it stands, quoted for that spot so that it
// gives the value as one literal piece of its word; none where no value may stand.
std::optional<QString> referenceFor(const ShellTemplateReader& reader,
                                    ShellTemplateReader::Place place, const QString& parameter,
                                    const QString& value) {
    // A backslash of the template before the placeholder would escape the reference; a second
    // one makes the pair a plain backslash instead.
    const QString backslash = reader.afterBackslash() ? QStringLiteral("\\") : QString();
    switch (place) {
        case ShellTemplateReader::Place::word:
        case ShellTemplateReader::Place::comment:
            return backslash + QLatin1Char('"') + parameter + QLatin1Char('"');
        case ShellTemplateReader::Place::singleQuoted:
            // Close the template's quotes, refer to the value, open them again.
            return backslash + QStringLiteral("'\"") + parameter + QStringLiteral("\"'");
        case ShellTemplateReader::Place::doubleQuoted:
        case ShellTemplateReader::Place::hereDocument:
            // Quotes would be plain characters in a here-document's body.
            return backslash + parameter;
        case ShellTemplateReader::Place::quotedHereDocument:
            return std::nullopt;
        case ShellTemplateReader::Place::refused:
            // A plain integer computes as itself: no other value may stand in arithmetic,
            // and none anywhere else the shell evaluates again.
            if (reader.refusal().how == ShellTemplateReader::Evaluation::arithmetic &&
                plainInteger(value))
                return backslash + QLatin1Char('"') + parameter + QLatin1Char('"');
            return std::nullopt;
    }
    return std::nullopt;
}

// The template with its lines joined where bash joins them (a backslash before a newline,
// outside '…', $'…', comments and quoted here-documents) before it reads anything else, so
// that every check reads the text bash reads: ">\⏎&" is ">&".
QString joinLines(const QString& text, const QList<Placeholder>& placeholders) {
    if (!text.contains(QLatin1String("\\\n")))
        return text;
    ShellTemplateReader reader(text);
    QString joined;
    QList<const Placeholder*> numbered;
    scan(
        text, placeholders,
        [&](QStringView literal) {
            qsizetype from = 0;
            for (qsizetype at = literal.indexOf(u"\\\n"); at >= 0;
                 at = literal.indexOf(u"\\\n", at + 1)) {
                if (at < from)
                    continue;
                reader.read(literal.mid(from, at - from));
                joined += literal.mid(from, at - from);
                from = reader.joinsLines() ? at + 2 : at;
            }
            reader.read(literal.mid(from));
            joined += literal.mid(from);
        },
        [&](const Placeholder& placeholder, qsizetype start, qsizetype length) {
            joined += QStringView(text).mid(start, length);
            if (!numbered.contains(&placeholder))
                numbered.append(&placeholder);
            const QString parameter =
                QStringLiteral("${tavrin_value_%1}").arg(numbered.indexOf(&placeholder) + 1);
            const std::optional<QString> reference =
                referenceFor(reader, reader.placeOfValue(), parameter, placeholder.second);
            reader.valueInserted(reference.value_or(QString()),
                                 QStringView(text).mid(start, length));
        });
    return joined;
}

QString marked(const QString& text, const QList<Placeholder>& placeholders, qsizetype& count) {
    QString result;
    QList<const Placeholder*> numbered;
    scan(
        text, placeholders, [&](QStringView literal) { result += literal; },
        [&](const Placeholder& placeholder, qsizetype, qsizetype) {
            qsizetype number = numbered.indexOf(&placeholder) + 1;
            if (number == 0) {
                numbered.append(&placeholder);
                number = numbered.size();
            }
            result += QStringLiteral("${tavrin_value_%1}").arg(number);
        });
    count = numbered.size();
    return result;
}

}  // namespace

namespace {

std::variant<Script, Refusal> prepareScript(const QString& text,
                                            const QList<Placeholder>& placeholders);

// The refusal for a word `place`'s program reads as more than text, as `reading` says;
// `split`: a value split the word off another.
Refusal refusalFor(const Reading& reading, const ShellTemplateReader::WordSpot& spot,
                   const ShellTemplateReader::WordPlace& place, bool split,
                   const QList<const Placeholder*>& numbered) {
    const Placeholder* value =
        numbered.at(reading.value >= 1 && reading.value <= numbered.size() ? reading.value - 1 : 0);
    // An edge only the strict rules refuse is read by the program nobody knows.
    const QString& program =
        reading.unfamiliar && !place.runner.isEmpty() ? place.runner : place.program;
    Refusal refusal{
        reading.reason, {value->first}, spot.written, program, !split && place.endOfOptions,
        reading.edge,   reading.text};
    refusal.split = split;
    // A program nobody knows may read a leading "-" as any other edge; an empty value leaves
    // the edge, a "-" too, to the template's text.
    refusal.unfamiliar =
        reading.unfamiliar || (place.strict && reading.reason == Refusal::Reason::option);
    refusal.empty = reading.empty;
    if ((refusal.unfamiliar || refusal.empty) && refusal.edgeText.isEmpty()) {
        refusal.edge = refusal.unfamiliar ? Refusal::Edge::begins : refusal.edge;
        refusal.edgeText = QStringLiteral("-");
    }
    static const QRegularExpression longOption(QStringLiteral("^--[A-Za-z0-9-]+$"));
    if (!split && longOption.match(spot.previous).hasMatch() &&
        spot.written == QStringLiteral("{{%1}}").arg(value->first))
        refusal.glued = spot.previous;
    refusal.relativePath = !split && mayBeRelativePath(reading, place, value->second);
    return refusal;
}

}  // namespace

// A refusal shows the template's pieces as the user wrote them: a reference to a value
// becomes its placeholder again.
std::variant<Script, Refusal> prepare(const QString& written,
                                      const QList<Placeholder>& placeholders) {
    const ShellProgramIdentity::Lookups lookups;
    const QString text = joinLines(written, placeholders);
    std::variant<Script, Refusal> prepared = prepareScript(text, placeholders);
    if (Refusal* refusal = std::get_if<Refusal>(&prepared);
        refusal && refusal->construct.contains(QLatin1String("tavrin_value_"))) {
        QList<const Placeholder*> numbered;
        scan(
            text, placeholders, [](QStringView) {},
            [&](const Placeholder& placeholder, qsizetype, qsizetype) {
                if (!numbered.contains(&placeholder))
                    numbered.append(&placeholder);
            });
        for (qsizetype number = numbered.size(); number >= 1; --number) {
            const QString name =
                QStringLiteral("{{") + numbered.at(number - 1)->first + QStringLiteral("}}");
            refusal->construct.replace(QStringLiteral("${tavrin_value_%1}").arg(number), name);
        }
    }
    return prepared;
}

namespace {

std::variant<Script, Refusal> prepareScript(const QString& text,
                                            const QList<Placeholder>& placeholders) {
    Script script;
    script.text.reserve(text.size());
    qsizetype valueCount = 0;
    const QString withReferences = marked(text, placeholders, valueCount);
    // The values arithmetic computes as themselves, numbered as marked() numbers them.
    ShellValueFlow::Values integers;
    {
        QList<const Placeholder*> order;
        scan(
            text, placeholders, [](QStringView) {},
            [&](const Placeholder& placeholder, qsizetype, qsizetype) {
                if (order.contains(&placeholder))
                    return;
                order.append(&placeholder);
                if (plainInteger(placeholder.second))
                    integers.insert(order.size());
            });
    }
    ShellTemplateReader reader(text, ShellValueFlow::follow(withReferences, valueCount), integers);
    QList<ShellRereading::Span> spans;
    QList<const Placeholder*> numbered;
    QList<const Placeholder*> atSpan;
    std::optional<Refusal> refusal;
    scan(
        text, placeholders,
        [&](QStringView literal) {
            script.text += literal;
            reader.read(literal);
        },
        [&](const Placeholder& placeholder, qsizetype start, qsizetype length) {
            spans.append({start, length});
            atSpan.append(&placeholder);
            qsizetype number = numbered.indexOf(&placeholder) + 1;
            if (number == 0) {
                numbered.append(&placeholder);
                script.arguments.append(placeholder.second);
                number = numbered.size();
            }
            const QString parameter = QStringLiteral("${tavrin_value_%1}").arg(number);
            const ShellTemplateReader::Place place = reader.placeOfValue();
            std::optional<QString> reference =
                referenceFor(reader, place, parameter, placeholder.second);
            if (!reference) {
                reference = QString();
                if (!refusal && place == ShellTemplateReader::Place::quotedHereDocument)
                    refusal = Refusal{Refusal::Reason::quotedHereDocument, {placeholder.first}};
                if (!refusal && place == ShellTemplateReader::Place::refused) {
                    refusal = refusalFor(reader.refusal(), {placeholder.first});
                    // "${{a}}": the "$" right before the placeholder is the construct.
                    if (refusal->construct == QLatin1String("$"))
                        refusal->construct += QStringView(text).mid(start, length);
                }
            }
            script.text += *reference;
            reader.valueInserted(*reference, QStringView(text).mid(start, length));
        });
    reader.finish();
    if (spans.isEmpty())
        return script;
    if (refusal)
        return *refusal;
    QStringList names;
    for (const Placeholder* placeholder : numbered)
        names.append(placeholder->first);
    // The second look sees an integer value as the number it is, so that arithmetic with it,
    // or with a variable that holds only it, counts as safe.
    QString masked = reader.masked();
    QList<ShellRereading::Span> looked;
    QList<const Placeholder*> atLooked;
    for (qsizetype i = 0; i < spans.size(); ++i) {
        if (plainInteger(atSpan.at(i)->second)) {
            masked.replace(spans.at(i).first, spans.at(i).second,
                           QString(spans.at(i).second, QLatin1Char('0')));
        } else {
            looked.append(spans.at(i));
            atLooked.append(atSpan.at(i));
        }
    }
    const bool allIntegers =
        std::all_of(numbered.cbegin(), numbered.cend(),
                    [](const Placeholder* p) { return plainInteger(p->second); });
    if (const auto rereading = ShellRereading::mayReread(
            masked, looked, {reader.flow(), integers, reader.associativeNames()});
        rereading &&
        !(allIntegers && rereading->how == ShellRereading::Rereading::How::arithmetic)) {
        if (rereading->span) {
            using How = ShellRereading::Rereading::How;
            const Refusal::Reason reason =
                rereading->how == How::arithmetic ? Refusal::Reason::arithmetic
                : rereading->how == How::name     ? Refusal::Reason::variableName
                                                  : Refusal::Reason::unmodelled;
            return Refusal{reason, {atLooked.at(*rereading->span)->first}, rereading->construct};
        }
        return Refusal{Refusal::Reason::throughVariable, names, rereading->construct};
    }
    const auto namesOf = [&](const ShellValueFlow::Values& values) {
        QStringList reaching;
        for (qsizetype number = 1; number <= numbered.size(); ++number) {
            if (values.contains(number))
                reaching.append(numbered.at(number - 1)->first);
        }
        return reaching;
    };
    if (const auto& rereading = reader.secondShellRereading();
        rereading && !(allIntegers && reader.secondShellArithmetic()))
        return Refusal{Refusal::Reason::throughVariable, names, *rereading};
    if (const std::optional<qsizetype> script = reader.scriptFromInput())
        return Refusal{
            Refusal::Reason::evaluated, {numbered.at(*script - 1)->first}, reader.scriptReader()};
    if (const auto& finding = reader.reachedFinding())
        return refusalFor(*finding, namesOf(finding->values));
    if (!reader.evaluatedThroughVariables().isEmpty()) {
        QStringList reaching;
        for (qsizetype number = 1; number <= numbered.size(); ++number) {
            if (reader.evaluatedThroughVariables().contains(number))
                reaching.append(numbered.at(number - 1)->first);
        }
        return Refusal{Refusal::Reason::throughVariable, reaching, reader.evaluatedConstruct()};
    }
    // let reads the names its words expand to as arithmetic, which integers cannot turn into
    // anything else.
    if (reader.evaluatesVariables() &&
        !(allIntegers && reader.namesConstruct() == QLatin1String("let")))
        return Refusal{Refusal::Reason::throughVariable, names, reader.namesConstruct()};

    QList<QByteArray> encoded;
    for (const Placeholder* placeholder : numbered) {
        if (placeholder->second.contains(QChar(0)))
            return Refusal{Refusal::Reason::nul, {placeholder->first}};
        encoded.append(placeholder->second.toUtf8());
        if (encoded.last().size() > longestArgument)
            return Refusal{Refusal::Reason::tooLong, {placeholder->first}};
    }
    // Every word that may carry a value, in every way bash may spell it, by every program that
    // may read it.
    QStringList texts;
    for (const Placeholder* placeholder : numbered)
        texts.append(placeholder->second);
    for (const ShellTemplateReader::WordSpot& spot : reader.wordSpots()) {
        for (const QList<ShellWordPieces::Word>& words :
             ShellWordPieces::spellings(spot.pieces, texts)) {
            for (qsizetype k = 0; k < words.size(); ++k) {
                // A word a value splits off stands where the next word of the command does,
                // unless xargs appends them all where the first stands.
                for (const ShellTemplateReader::WordPlace& place :
                     k > 0 ? spot.next : spot.places) {
                    if (const std::optional<Reading> reading = judge(words[k], place))
                        return refusalFor(*reading, spot, place, k > 0 && !spot.appended, numbered);
                }
            }
        }
    }

    // Inside a function "$1" is the function's own argument, so the values are taken into
    // variables first; "set --" then leaves the template's own "$1" and "$@" as empty as
    // they were without arguments.
    // A login shell's profile that moves the positional parameters ("shift") would hand each
    // value to the place of another, which the reader never judged it for: then nothing runs.
    QString prologue = QStringLiteral(
                           "[ \"$#\" -eq %1 ] || { echo 'Tavrin: Das Profil der Login-Shell hat "
                           "die Werte verschoben; der Befehl wurde nicht ausgeführt.' >&2; exit "
                           "126; }; ")
                           .arg(script.arguments.size());
    for (qsizetype number = 1; number <= script.arguments.size(); ++number)
        prologue += QStringLiteral("tavrin_value_%1=\"${%1}\"; ").arg(number);
    script.text.prepend(prologue + QStringLiteral("set --\n"));

    encoded.append(handOver(script.text).toUtf8());
    if (encoded.last().size() > longestArgument || !fitsCommandLine(encoded)) {
        const auto longest = std::max_element(numbered.cbegin(), numbered.cend(),
                                              [](const Placeholder* a, const Placeholder* b) {
                                                  return a->second.size() < b->second.size();
                                              });
        return Refusal{Refusal::Reason::tooLong, {(*longest)->first}};
    }
    return script;
}

}  // namespace

std::optional<Script> script(const QString& text, const QList<Placeholder>& placeholders) {
    std::variant<Script, Refusal> prepared = prepare(text, placeholders);
    if (Script* script = std::get_if<Script>(&prepared))
        return std::move(*script);
    return std::nullopt;
}

QStringList loginShellArguments(const Script& script) {
    return QStringList{QStringLiteral("-lc"), handOver(script.text), QStringLiteral("tavrin")} +
           script.arguments;
}

}  // namespace ShellCommand
