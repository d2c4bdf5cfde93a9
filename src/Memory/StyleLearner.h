#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "AI/AIRequest.h"

struct AssistantSettings;

// Builds the request that asks the AI to describe how the user writes, from the current
// description, the user's own example texts and the recent style signals. Makes no call and
// keeps no state: the caller sends the request and stores the trimmed reply.
namespace StyleLearner {

constexpr qsizetype exampleLength = 6000;
constexpr qsizetype signalLimit = 40;

// None when there is nothing to learn from: no signals and blank examples (the current
// description alone is not enough).
std::optional<AIRequest> request(const QString& current, const QString& examples,
                                 const QStringList& styleSignals,
                                 const AssistantSettings& settings);

// English name of the language the description is asked in: the user's first interface
// language among those the application offers, English when none of them fits.
QString replyLanguageName();

}  // namespace StyleLearner
