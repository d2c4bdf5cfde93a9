#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "AI/AIRequest.h"
#include "AI/ChunkStream.h"
#include "AI/LanguageRecognizer.h"
#include "AI/QuotedMessage.h"
#include "AI/ThreadMessage.h"
#include "Context/ContextSnapshot.h"
#include "Platform/Clock.h"
#include "Settings/AssistantSettings.h"
#include "Settings/ProviderID.h"

// Reads the message the user is replying to, and the conversation around it, from the
// model's answers about a screenshot. Every failure gives an empty result, never an error.
namespace QuoteExtractor {

using QuoteCompletion = std::function<void(std::optional<QuotedMessage>)>;

// Asks the AI tool `provider` (at its path in `settings`, timed by `clock`) which message the
// screenshot of `context` shows the user replying to. `done` runs once on the main thread
// with the quote, or with none when there is no screenshot or anything fails, unless the
// returned handle is cancelled or destroyed first.
std::unique_ptr<ChunkStream> extract(const ContextSnapshot& context, ProviderID provider,
                                     const AssistantSettings& settings, Platform::Clock& clock,
                                     QuoteCompletion done);

// The request extract() sends: the screenshot with the extraction prompt, the small Claude
// model or the Codex tool's own default. None without a screenshot.
std::optional<AIRequest> extractionRequest(const ContextSnapshot& context, ProviderID provider);

// The question for the visible conversation before the quoted message, whose answer
// parseThread() reads; the same system text, image and model as extractionRequest().
std::optional<AIRequest> threadRequest(const ContextSnapshot& context, ProviderID provider);

// The quoted message in an answer of the form {"author": …, "message": …, "language": …};
// none without a usable message. A language the recogniser finds in the message wins over
// the model's.
std::optional<QuotedMessage> parse(const QString& answer);
std::optional<QuotedMessage> parse(const QString& answer, const LanguageRecognizer& recognizer);

// The messages of an answer of the form [{"a": …, "m": …}, …], oldest first, at most the
// last 15.
QList<ThreadMessage> parseThread(const QString& answer);

// The language code of a text when one language dominates it (probability at least 0.6).
std::optional<QString> detectLanguage(const QString& text);
std::optional<QString> detectLanguage(const QString& text, const LanguageRecognizer& recognizer);

}  // namespace QuoteExtractor
