#include "Voice/AnalyzerDictationService.h"

AnalyzerDictationService::AnalyzerDictationService(QString locale, DictationBackends backends)
    : StreamingDictationService(std::move(backends), kFinalisationLimit),
      locale_(std::move(locale)) {}

StreamingDictationService::Plan AnalyzerDictationService::plan() {
    auto model = backends_.recognizer->supportedLocale(locale_);
    if (!model)
        model = backends_.recognizer->supportedLocale(QStringLiteral("de-DE"));
    if (!model)
        return {{}, DictationError::unavailable};
    return {*model, std::nullopt};
}

void AnalyzerDictationService::heard(const QStringList& words, bool final) {
    // The decoder gives bare words; every piece after the first starts with a space, so that
    // the settled and the tentative text read as one when simply put together.
    QString text = words.join(QLatin1Char(' '));
    if (!finalized_.isEmpty() && !text.isEmpty())
        text.prepend(QLatin1Char(' '));
    if (final) {
        finalized_ += text;
        volatile_.clear();
    } else {
        if (text == volatile_)
            return;
        volatile_ = text;
    }
    if (onPartial)
        onPartial(finalized_, volatile_);
}

void AnalyzerDictationService::brokeOff(const QString& message) {
    if (onError)
        onError(message);
}

QString AnalyzerDictationService::result() const {
    return (finalized_ + volatile_).trimmed();
}
