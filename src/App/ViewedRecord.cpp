#include "App/ViewedRecord.h"

#include <QStringList>

#include "Panel/AssistantSession.h"
#include "Platform/Characters.h"

namespace ViewedRecord {

std::optional<QString> text(const AssistantSession& session) {
    const auto& context = session.context();
    if (!context) {
        return std::nullopt;
    }
    QStringList lines;
    if (context->windowTitle && !context->windowTitle->trimmed().isEmpty()) {
        lines << QStringLiteral("Viewed: ") + *context->windowTitle;
    }
    if (const auto& quote = session.quote()) {
        const QString quoted = Characters::prefix(quote->text, 500);
        if (quote->isSelection) {
            lines << QStringLiteral("Selected text: ") + quoted;
        } else {
            const QString from =
                quote->author ? QStringLiteral(" from ") + *quote->author : QString();
            lines << QStringLiteral("Message") + from + QStringLiteral(": ") + quoted;
        }
    }
    for (const ConversationTurn& turn : session.turns()) {
        if (turn.kind != ReplyKind::chat || turn.hidden) {
            continue;
        }
        lines << QStringLiteral("User asked: ") + Characters::prefix(turn.user, 300);
        if (!turn.reply.trimmed().isEmpty()) {
            lines << QStringLiteral("You answered: ") + Characters::prefix(turn.reply, 500);
        }
    }
    if (const auto& page = session.pageText()) {
        lines << QStringLiteral("Page text (start): ") + Characters::prefix(*page, 600);
    }
    if (lines.isEmpty()) {
        return std::nullopt;
    }
    return lines.join(u'\n');
}

}  // namespace ViewedRecord
