#include "AI/ShellCommand.h"

#include "AI/ShellRereading.h"
#include "AI/ShellTemplateReader.h"

namespace ShellCommand {

namespace {

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

std::optional<Script> script(const QString& text, const QList<Placeholder>& placeholders) {
    Script script;
    script.text.reserve(text.size());
    ShellTemplateReader reader(text);
    QList<ShellRereading::Span> spans;
    QList<const Placeholder*> numbered;
    bool safe = true;
    scan(
        text, placeholders,
        [&](QStringView literal) {
            script.text += literal;
            reader.read(literal);
        },
        [&](const Placeholder& placeholder, qsizetype start, qsizetype length) {
            spans.append({start, length});
            qsizetype number = numbered.indexOf(&placeholder) + 1;
            if (number == 0) {
                numbered.append(&placeholder);
                script.arguments.append(placeholder.second);
                number = numbered.size();
            }
            const QString parameter = QStringLiteral("${tavrin_value_%1}").arg(number);
            const ShellTemplateReader::Place place = reader.placeOfValue();
            // A backslash of the template before the placeholder would escape the reference;
            // a second one makes the pair a plain backslash instead.
            QString reference = reader.afterBackslash() ? QStringLiteral("\\") : QString();
            switch (place) {
                case ShellTemplateReader::Place::word:
                case ShellTemplateReader::Place::comment:
                    reference += QLatin1Char('"') + parameter + QLatin1Char('"');
                    break;
                case ShellTemplateReader::Place::singleQuoted:
                    // Close the template's quotes, refer to the value, open them again.
                    reference += QStringLiteral("'\"") + parameter + QStringLiteral("\"'");
                    break;
                case ShellTemplateReader::Place::doubleQuoted:
                    reference += parameter;
                    break;
                case ShellTemplateReader::Place::refused:
                    safe = false;
                    break;
            }
            script.text += reference;
            reader.valueInserted(reference);
        });
    reader.finish();
    if (!spans.isEmpty() &&
        (!safe || reader.evaluatesVariables() || ShellRereading::mayReread(text, spans)))
        return std::nullopt;
    if (script.arguments.isEmpty())
        return script;
    // Inside a function "$1" is the function's own argument, so the values are taken into
    // variables first; "set --" then leaves the template's own "$1" and "$@" as empty as
    // they were without arguments. Braces: zsh reads "$12" as the twelfth parameter.
    QString prologue;
    for (qsizetype number = 1; number <= script.arguments.size(); ++number)
        prologue += QStringLiteral("tavrin_value_%1=\"${%1}\"; ").arg(number);
    script.text.prepend(prologue + QStringLiteral("set --\n"));
    return script;
}

}  // namespace ShellCommand
