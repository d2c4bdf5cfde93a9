#include "Voice/SpeechModelRelease.h"

#include <QThreadPool>

SpeechModelRelease::SpeechModelRelease(std::shared_ptr<Platform::SpeechRecognizer> recognizer,
                                       Platform::Clock& clock)
    : recognizer_(std::move(recognizer)), clock_(clock) {}

SpeechModelRelease::~SpeechModelRelease() = default;

void SpeechModelRelease::dictationStarted() {
    ++running_;
    due_.reset();
}

void SpeechModelRelease::dictationEnded() {
    if (running_ == 0 || --running_ > 0)
        return;
    due_ = clock_.singleShot(kAfter, [this] {
        // Freeing a model takes tens of milliseconds, so a worker does it; it holds the
        // recognizer. A dictation starting meanwhile either keeps the decoder it got or loads
        // afresh: the pool never frees a decoder in use.
        // The global pool, not a detached thread: the application waits for it when it ends,
        // so a quit during a release never runs exit beside a model being freed.
        QThreadPool::globalInstance()->start(
            [recognizer = recognizer_] { recognizer->releaseIdle(); });
    });
}
