#pragma once

#include "AI/LanguageRecognizer.h"

// Language recognition by the compact language detector (libcld2). Stateless and thread-safe.
class Cld2LanguageRecognizer final : public LanguageRecognizer {
public:
    // The detector's top language with its share of the text, when it calls its verdict
    // reliable; none for an unknown language or an unreliable verdict.
    std::optional<Hypothesis> dominantLanguage(const QString& text) const override;
};
