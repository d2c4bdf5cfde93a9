#pragma once

#include "Voice/StreamingDictationService.h"

// The engine for a language with an installed model (German stands in when the requested
// language has none). Each utterance the voice-activity detection closes is settled text;
// the running hypothesis is the tentative rest.
class AnalyzerDictationService final : public StreamingDictationService {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kFinalisationLimit{2000};

    AnalyzerDictationService(QString locale, DictationBackends backends);

protected:
    Plan plan() override;
    void heard(const QStringList& words, bool final) override;
    void brokeOff(const QString& message) override;
    QString result() const override;

private:
    const QString locale_;
    QString finalized_;
    QString volatile_;
};
