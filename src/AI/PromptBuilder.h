#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

#include "AI/ConversationTurn.h"
#include "AI/QuotedMessage.h"
#include "AI/ReplyKind.h"
#include "AI/ThreadMessage.h"
#include "Context/ContextSnapshot.h"
#include "Projects/Project.h"
#include "Settings/AssistantSettings.h"

// Turns the settings and the situation of one request into the texts sent to the model, and
// reads the kind of the reply back from its leading marker.
namespace PromptBuilder {

// The system prompt of one request: the assistant's role and reply modes, the draft language,
// tone, learned style, hard rules, the actions, the project, and what the user told about
// themselves. `appName` is the application being written in ("an app" when unknown);
// `memory` is the memory section, inserted unchanged. Pure; never fails.
QString system(const AssistantSettings& settings, const QString& appName,
               const std::optional<Project>& project, const std::optional<QString>& memory);

// The user prompt of one request: what is on screen, the message being answered, the
// conversation so far, the current draft and the new instruction. Pure; never fails.
// `history` is oldest first; turns whose reply kind is still unknown are left out.
// `replyLanguage` is the reply-language setting: "auto" (or empty) or a language name.
// `pageText` is present only when the whole page was read for this request.
QString user(const std::optional<ContextSnapshot>& context,
             const std::optional<QuotedMessage>& quote, const QList<ThreadMessage>& thread,
             const QList<ConversationTurn>& history, const std::optional<QString>& currentDraft,
             const QString& input, std::optional<ReplyKind> forced, const QString& replyLanguage,
             const std::optional<QString>& pageText);

// Reads the marker at the start of the reply gathered so far. Absent while the kind cannot be
// decided yet (nothing but blanks, or an unfinished marker); otherwise the kind and the text
// after the marker. A reply without a marker is taken as `fallback`, whole.
std::optional<std::pair<ReplyKind, QString>> parseMarker(const QString& text, ReplyKind fallback);

}  // namespace PromptBuilder
