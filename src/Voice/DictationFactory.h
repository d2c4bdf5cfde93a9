#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "Voice/DictationBackends.h"
#include "Voice/DictationService.h"

struct AssistantSettings;

// Builds the engine for a dictation from the settings. Building opens nothing and asks for
// nothing.
class DictationFactory {
public:
    explicit DictationFactory(DictationBackends backends);

    // A new engine, or none when dictation is switched off.
    std::unique_ptr<DictationService> make(const AssistantSettings& settings) const;
    // A new engine for a dictation-language setting, whether dictation is on or not.
    std::unique_ptr<DictationService> make(const QString& dictationLanguage) const;

    // The locale a dictation-language setting stands for: the user's current locale for
    // exactly "auto" (as speechLocale() reads it), else the setting itself, unchecked.
    static QString locale(const QString& dictationLanguage);
    // The locale whose speech a system locale name ("de_DE", "C.UTF-8") stands for: en_US for
    // the C and POSIX locales (also empty, as an unset LANG), which name no language but write
    // and sort as American English does; any other name as it is.
    static QString speechLocale(const QString& localeName);

    // The locale of the speech model an engine made for the setting would listen with, which
    // may speak another language than the one asked for (the engines fall back on German, then
    // on the system's language); none when no model would serve it. Fast (file look-ups).
    std::optional<QString> modelLocale(const QString& dictationLanguage) const;

private:
    DictationBackends backends_;
};
