#pragma once

#include "Voice/StreamingDictationService.h"

// The engine for a language without a model of its own or German: it takes the model of the
// requested language, else the one of the system's language. It reports the whole text so
// far each time, the last word being the tentative part.
class LegacyDictationService final : public StreamingDictationService {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kFinalisationLimit{1200};

    LegacyDictationService(const QString& locale, DictationBackends backends);

protected:
    Plan plan() override;
    void heard(const QStringList& words, bool final) override;
    void brokeOff(const QString& message) override;
    QString result() const override { return latest_; }

private:
    // The model chosen at construction; empty when neither language has one.
    QString modelLocale_;
    QStringList settled_;
    QString latest_;
};
