#pragma once

#include <QString>
#include <optional>

// Guesses the dominant language of a text. An interface so that tests can script the answer.
class LanguageRecognizer {
public:
    struct Hypothesis {
        QString code;        // e.g. "de", "en"
        double probability;  // 0 … 1

        bool operator==(const Hypothesis&) const = default;
    };

    virtual ~LanguageRecognizer() = default;

    // The single most likely language, or none when the recogniser has no usable verdict.
    virtual std::optional<Hypothesis> dominantLanguage(const QString& text) const = 0;
};
