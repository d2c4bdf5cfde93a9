#include "AI/ShellCommand.h"

namespace ShellCommand {

QString quote(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString fill(const QString& text, const QList<Placeholder>& placeholders,
             const std::function<QString(const QString&)>& encode) {
    static const QString open = QStringLiteral("{{");
    static const QString close = QStringLiteral("}}");
    QString result;
    result.reserve(text.size());
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype start = text.indexOf(open, position);
        if (start < 0) {
            result += QStringView(text).mid(position);
            break;
        }
        result += QStringView(text).mid(position, start - position);
        const QStringView rest = QStringView(text).mid(start + open.size());
        const Placeholder* match = nullptr;
        for (const Placeholder& placeholder : placeholders) {
            if (rest.startsWith(placeholder.first) &&
                rest.mid(placeholder.first.size()).startsWith(close)) {
                match = &placeholder;
                break;
            }
        }
        if (match) {
            result += encode(match->second);
            position = start + open.size() + match->first.size() + close.size();
        } else {
            // Not a known placeholder: keep one brace and look again from the next one, so
            // "{{{name}}" still finds "{{name}}".
            result += text.at(start);
            position = start + 1;
        }
    }
    return result;
}

QString fillQuoted(const QString& text, const QList<Placeholder>& placeholders) {
    return fill(text, placeholders, &quote);
}

}  // namespace ShellCommand
