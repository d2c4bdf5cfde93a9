#include "Voice/LegacyDictationService.h"

#include "Platform/AuthorizationStatus.h"

LegacyDictationService::LegacyDictationService(const QString& locale, DictationBackends backends)
    : StreamingDictationService(std::move(backends), kFinalisationLimit) {
    auto model = backends_.recognizer->supportedLocale(locale);
    if (!model)
        model = backends_.recognizer->supportedLocale(backends_.systemLocale);
    modelLocale_ = model.value_or(QString());
}

StreamingDictationService::Plan LegacyDictationService::plan() {
    if (backends_.speech.status() != Platform::AuthorizationStatus::authorized)
        return {{}, DictationError::notAuthorized};
    if (modelLocale_.isEmpty())
        return {{}, DictationError::unavailable};
    return {modelLocale_, std::nullopt};
}

void LegacyDictationService::heard(const QStringList& words, bool final) {
    const QStringList all = settled_ + words;
    if (final)
        settled_ = all;
    const QString text = all.join(QLatin1Char(' '));
    if (text == latest_ && !final)
        return;
    latest_ = text;
    if (!onPartial)
        return;
    if (all.isEmpty()) {
        onPartial(text, QString());
        return;
    }
    // Everything before the last word is settled; the last word may still change.
    const QString& last = all.last();
    onPartial(text.left(text.size() - last.size()), last);
}

void LegacyDictationService::brokeOff(const QString& message) {
    // After some text the user keeps what was heard; only a failure before it is news.
    if (latest_.isEmpty() && onError)
        onError(message);
}
