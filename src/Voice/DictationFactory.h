#pragma once

#include <QString>
#include <memory>

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
    // exactly "auto", else the setting itself, unchecked.
    static QString locale(const QString& dictationLanguage);

private:
    DictationBackends backends_;
};
