#pragma once

#include <QObject>
#include <chrono>
#include <memory>

#include "Platform/Clock.h"
#include "Voice/DictationBackends.h"
#include "Voice/DictationError.h"
#include "Voice/DictationService.h"
#include "Voice/RecognitionPipeline.h"

// What both engines share: the set-up on a worker, the microphone, the bounded waits of
// stop() and the tear-down. The engines decide what may start, how words become text and
// what an error shows.
class StreamingDictationService : public QObject, public DictationService {
    Q_OBJECT

public:
    // A set-up that has not opened the microphone, or a model that has not loaded, within this
    // is called off by stop().
    static constexpr std::chrono::milliseconds kSetUpLimit{5000};

    ~StreamingDictationService() override;

    // An engine serves one dictation: a second start() does nothing. A start still setting up
    // when stop() gives up on it, or when cancel() comes, never answers.
    void start(StartDone done) final;
    // A second stop() while one waits does nothing.
    void stop(StopDone done) final;
    void cancel() final;

protected:
    // `finalisationLimit`: how long stop() waits for the last words after the audio ended.
    StreamingDictationService(DictationBackends backends,
                              std::chrono::milliseconds finalisationLimit);

    // The checks before any work: the model's locale to load, or why the engine cannot start.
    struct Plan {
        QString modelLocale;
        std::optional<DictationError> error;
    };
    virtual Plan plan() = 0;
    // Words of the running utterance, or of a finished one.
    virtual void heard(const QStringList& words, bool final) = 0;
    // Capture broke off while running.
    virtual void brokeOff(const QString& message) = 0;
    // What stop() hands over.
    virtual QString result() const = 0;

    DictationBackends backends_;

private:
    enum class Phase { created, settingUp, listening, finishing, ended };

    void ready(const std::optional<RecognitionPipeline::Failure>& failure);
    void decoding();
    // Logs the detail; what the user is shown.
    QString report(const RecognitionPipeline::Failure& failure);
    void finalise();
    void complete();
    void endedByItself();
    // Stops the pipeline and tells the model release that this dictation is over.
    void stopPipeline();

    const std::chrono::milliseconds finalisationLimit_;
    RecognitionPipeline pipeline_;
    Phase phase_ = Phase::created;
    StartDone startDone_;
    StopDone stopDone_;
    std::unique_ptr<Platform::Timer> deadline_;
    bool usingModel_ = false;
    // The decoder is loaded; until then the microphone's audio waits for it.
    bool decoding_ = false;
};
