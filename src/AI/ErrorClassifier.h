#pragma once

#include <QString>

#include "AI/AssistantProblem.h"
#include "Settings/ProviderID.h"

// Maps the failure text of an AI tool to the problem the panel shows, by the phrases the
// tools are known to use.
namespace ErrorClassifier {

// Pure. Never yields notFound or accessibilityMissing: those are known without reading text.
AssistantProblem classify(const QString& text, ProviderID provider);

}  // namespace ErrorClassifier
