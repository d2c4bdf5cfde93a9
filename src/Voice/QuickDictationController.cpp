#include "Voice/QuickDictationController.h"

#include <QPointer>
#include <QTimer>

#include "Settings/AssistantSettings.h"

QuickDictationController::QuickDictationController(MakeEngine makeEngine, Platform::Clock& clock,
                                                   Platform::Compositor* compositor,
                                                   QObject* parent)
    : QObject(parent),
      makeEngine_(std::move(makeEngine)),
      clock_(clock),
      hud_(model_, compositor) {}

QuickDictationController::~QuickDictationController() = default;

bool QuickDictationController::prepare(const AssistantSettings& settings, bool verbatim) {
    if (service_ || !settings.dictationEnabled)
        return false;
    std::unique_ptr<DictationService> engine = makeEngine_(settings.dictationLanguage);
    if (!engine)
        return false;
    service_ = std::move(engine);
    const std::uint64_t generation = ++generation_;
    hideTimers_.clear();
    model_.reset(verbatim);

    QPointer<QuickDictationController> self(this);
    service_->onPartial = [self, generation](const QString& confirmed, const QString& tentative) {
        if (!self || self->generation_ != generation)
            return;
        self->model_.setConfirmed(confirmed);
        self->model_.setTentative(tentative);
    };
    service_->onLevel = [self, generation](float level) {
        if (self && self->generation_ == generation)
            self->model_.pushLevel(level);
    };
    service_->onError = [self, generation](const QString& message) {
        if (self && self->generation_ == generation)
            self->model_.setStatus(QuickDictationModel::Status::failed(message));
    };
    starting_ = true;
    service_->start([self, generation](const std::optional<QString>& error) {
        if (self)
            self->started(generation, error);
    });
    return true;
}

void QuickDictationController::started(std::uint64_t generation,
                                       const std::optional<QString>& error) {
    if (generation != generation_ || !starting_)
        return;
    starting_ = false;
    startLimit_.reset();
    if (error)
        model_.setStatus(QuickDictationModel::Status::failed(*error));
    // An engine that could not start still ends through stop(), which answers at once.
    if (finishDone_)
        stopEngine();
}

void QuickDictationController::finish(std::function<void(const QString& text)> done) {
    if (!service_ || finishDone_) {
        done(QString());
        return;
    }
    finishDone_ = std::move(done);
    if (!starting_) {
        stopEngine();
        return;
    }
    // Never stop an engine half-started, but never wait for a stalled one for good either.
    const std::uint64_t generation = generation_;
    startLimit_ = clock_.singleShot(kStartLimit, [this, generation] {
        if (generation != generation_)
            return;
        starting_ = false;
        if (service_)
            service_->cancel();
        retireService();
        if (auto done = std::exchange(finishDone_, {}))
            done(QString());
    });
}

void QuickDictationController::stopEngine() {
    const std::uint64_t generation = generation_;
    QPointer<QuickDictationController> self(this);
    service_->stop([self, generation](const QString& text) {
        if (!self || self->generation_ != generation)
            return;
        self->retireService();
        if (auto done = std::exchange(self->finishDone_, {}))
            done(text);
    });
}

void QuickDictationController::retireService() {
    startLimit_.reset();
    if (!service_)
        return;
    // Destroyed from the event loop, not from inside one of its own callbacks.
    QTimer::singleShot(0, this, [retired = std::move(service_)] {});
    service_.reset();
}

void QuickDictationController::cancel() {
    starting_ = false;
    startLimit_.reset();
    if (service_)
        service_->cancel();
    retireService();
    ++generation_;
    if (auto done = std::exchange(finishDone_, {}))
        done(QString());
    hud_.hide();
}

void QuickDictationController::finish(const QuickDictationModel::Status& status,
                                      std::chrono::milliseconds after) {
    model_.setStatus(status);
    const std::uint64_t generation = generation_;
    hideTimers_.push_back(clock_.singleShot(after, [this, generation] {
        // Only the display of this dictation: a newer one keeps its own.
        if (generation == generation_ && !service_)
            hud_.hide();
    }));
}
