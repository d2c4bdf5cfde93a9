#include "Platform/DirectionControls.h"

#include <algorithm>

namespace DirectionControls {

bool isControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool contains(const QString& text) {
    // All of them lie in the basic plane: no surrogate pair can be one.
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); });
}

QString shown(const QString& text) {
    if (!contains(text))
        return text;
    QString result;
    result.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            result += QStringLiteral("[U+%1]").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        else
            result += c;
    }
    return result;
}

}  // namespace DirectionControls
