#include "AI/QuotedMessage.h"

#include <QStringList>

QString QuotedMessage::initials() const {
    if (!author)
        return QStringLiteral("?");
    const QStringList words = author->split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString result;
    for (const QString& word : words.mid(0, 2)) {
        // A first character outside the basic plane is two code units; keep it whole.
        const int length = word.at(0).isHighSurrogate() && word.size() > 1 ? 2 : 1;
        result += word.left(length).toUpper();
    }
    return result.isEmpty() ? QStringLiteral("?") : result;
}
