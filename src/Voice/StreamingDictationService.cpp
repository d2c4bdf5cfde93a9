#include "Voice/StreamingDictationService.h"

#include <QPointer>

#include "Platform/AuthorizationStatus.h"
#include "Voice/SpeechModelRelease.h"

StreamingDictationService::StreamingDictationService(DictationBackends backends,
                                                     std::chrono::milliseconds finalisationLimit)
    : backends_(std::move(backends)),
      finalisationLimit_(finalisationLimit),
      pipeline_(this, backends_.recognizer, backends_.makeAudioSource()) {
    pipeline_.events.ready = [this](const std::optional<RecognitionPipeline::Failure>& failure) {
        ready(failure);
    };
    pipeline_.events.decoding = [this] { decoding(); };
    pipeline_.events.level = [this](float level) {
        if (onLevel)
            onLevel(level);
    };
    pipeline_.events.heard = [this](const QStringList& words, bool final) { heard(words, final); };
    pipeline_.events.failed = [this](const RecognitionPipeline::Failure& failure) {
        QPointer<StreamingDictationService> self(this);
        brokeOff(report(failure));
        if (self)
            endedByItself();
    };
    pipeline_.events.ended = [this] { complete(); };
}

StreamingDictationService::~StreamingDictationService() {
    stopPipeline();
}

void StreamingDictationService::start(StartDone done) {
    if (phase_ != Phase::created)
        return;
    if (backends_.microphone.status() != Platform::AuthorizationStatus::authorized) {
        phase_ = Phase::ended;
        done(describe(DictationError::notAuthorized));
        return;
    }
    const Plan plan = this->plan();
    if (plan.error) {
        phase_ = Phase::ended;
        done(describe(*plan.error));
        return;
    }
    phase_ = Phase::settingUp;
    startDone_ = std::move(done);
    usingModel_ = true;
    if (backends_.modelRelease)
        backends_.modelRelease->dictationStarted();
    pipeline_.start(plan.modelLocale);
}

void StreamingDictationService::stopPipeline() {
    pipeline_.cancel();
    if (std::exchange(usingModel_, false) && backends_.modelRelease)
        backends_.modelRelease->dictationEnded();
}

QString StreamingDictationService::report(const RecognitionPipeline::Failure& failure) {
    QString what;
    switch (failure.error) {
        case DictationError::microphoneUnavailable:
            what = QStringLiteral("Mikrofon nicht geöffnet: ");
            break;
        case DictationError::microphoneLost:
            what = QStringLiteral("Mikrofon abgebrochen: ");
            break;
        case DictationError::modelUnreadable:
            what = QStringLiteral("Sprachmodell nicht geladen: ");
            break;
        default:
            what = QStringLiteral("Spracheingabe: ");
            break;
    }
    backends_.log.log(what + failure.detail);
    return describe(failure.error);
}

void StreamingDictationService::ready(const std::optional<RecognitionPipeline::Failure>& failure) {
    if (phase_ != Phase::settingUp)
        return;
    const std::optional<QString> error =
        failure ? std::optional<QString>(report(*failure)) : std::nullopt;
    QPointer<StreamingDictationService> self(this);
    const bool stopWaits = static_cast<bool>(stopDone_);
    phase_ = error ? Phase::ended : Phase::listening;
    if (error)
        stopPipeline();
    if (StartDone done = std::exchange(startDone_, {}))
        done(error);
    if (!self || !stopWaits)
        return;
    if (error)
        complete();
    else
        finalise();
}

void StreamingDictationService::stop(StopDone done) {
    if (stopDone_)
        return;
    stopDone_ = std::move(done);
    switch (phase_) {
        case Phase::created:
        case Phase::ended:
            complete();
            return;
        case Phase::settingUp:
            // A set-up that stalls (a model that never loads, a sound server that never answers)
            // must not keep the caller waiting for good.
            deadline_ = backends_.clock.singleShot(kSetUpLimit, [this] { complete(); });
            return;
        case Phase::listening:
            finalise();
            return;
        case Phase::finishing:
            return;
    }
}

void StreamingDictationService::decoding() {
    decoding_ = true;
    // The wait for the last words starts once there is a decoder to say them.
    if (phase_ == Phase::finishing)
        deadline_ = backends_.clock.singleShot(finalisationLimit_, [this] { complete(); });
}

void StreamingDictationService::finalise() {
    phase_ = Phase::finishing;
    pipeline_.endAudio();
    // A model still loading gets as long as a set-up: the audio it will decode is all there.
    deadline_ = backends_.clock.singleShot(decoding_ ? finalisationLimit_ : kSetUpLimit,
                                           [this] { complete(); });
}

void StreamingDictationService::complete() {
    deadline_.reset();
    stopPipeline();
    phase_ = Phase::ended;
    if (StopDone done = std::exchange(stopDone_, {}))
        done(result());
}

void StreamingDictationService::endedByItself() {
    // The microphone is released at once rather than when the caller gets round to stop().
    stopPipeline();
    if (phase_ == Phase::finishing) {
        complete();
        return;
    }
    phase_ = Phase::ended;
}

void StreamingDictationService::cancel() {
    deadline_.reset();
    stopPipeline();
    phase_ = Phase::ended;
    startDone_ = {};
    if (StopDone done = std::exchange(stopDone_, {}))
        done(result());
}
