#include "Voice/DictationFactory.h"

#include <QLocale>

#include "Settings/AssistantSettings.h"
#include "Voice/AnalyzerDictationService.h"
#include "Voice/LegacyDictationService.h"
#include "Voice/SpeechModelRelease.h"

DictationFactory::DictationFactory(DictationBackends backends) : backends_(std::move(backends)) {
    backends_.systemLocale = speechLocale(backends_.systemLocale);
    if (!backends_.modelRelease)
        backends_.modelRelease =
            std::make_shared<SpeechModelRelease>(backends_.recognizer, backends_.clock);
}

std::unique_ptr<DictationService> DictationFactory::make(const AssistantSettings& settings) const {
    if (!settings.dictationEnabled)
        return nullptr;
    return make(settings.dictationLanguage);
}

std::unique_ptr<DictationService> DictationFactory::make(const QString& dictationLanguage) const {
    const QString wanted = locale(dictationLanguage);
    // The model engine serves a language with a model of its own, or falls back to German;
    // without either the other engine tries the system's language.
    const bool modelEngine = backends_.recognizer->supportedLocale(wanted) ||
                             backends_.recognizer->supportedLocale(QStringLiteral("de-DE"));
    if (modelEngine)
        return std::make_unique<AnalyzerDictationService>(wanted, backends_);
    return std::make_unique<LegacyDictationService>(wanted, backends_);
}

std::optional<QString> DictationFactory::modelLocale(const QString& dictationLanguage) const {
    Platform::SpeechRecognizer& recognizer = *backends_.recognizer;
    if (auto model = recognizer.supportedLocale(locale(dictationLanguage)))
        return model;
    if (auto german = recognizer.supportedLocale(QStringLiteral("de-DE")))
        return german;
    return recognizer.supportedLocale(backends_.systemLocale);
}

QString DictationFactory::locale(const QString& dictationLanguage) {
    if (dictationLanguage == QLatin1String("auto"))
        return speechLocale(QLocale().name());
    return dictationLanguage;
}

QString DictationFactory::speechLocale(const QString& localeName) {
    // "C.UTF-8", "POSIX@euro": the codeset and modifier say nothing of the language.
    const QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QStringLiteral("en_US");
    return localeName;
}
