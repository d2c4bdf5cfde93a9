#include "AI/QuotedMessage.h"

#include <QStringList>

#include "Platform/Characters.h"

QString QuotedMessage::initials() const {
    if (!author)
        return QStringLiteral("?");
    const QStringList words = author->split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString result;
    // A first letter is a whole character: an accent or an emoji's parts stay with it.
    for (const QString& word : words.mid(0, 2))
        result += Characters::prefix(word, 1).toUpper();
    return result.isEmpty() ? QStringLiteral("?") : result;
}
