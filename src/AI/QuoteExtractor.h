#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "AI/LanguageRecognizer.h"
#include "AI/QuotedMessage.h"
#include "AI/ThreadMessage.h"

// Reads the message the user is replying to, and the conversation around it, from the
// model's answers about a screenshot. Every failure gives an empty result, never an error.
namespace QuoteExtractor {

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
