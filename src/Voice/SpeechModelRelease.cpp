#include "Voice/SpeechModelRelease.h"

#include <thread>

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
        // Freeing a model takes tens of milliseconds; the worker holds the recognizer, and a
        // dictation that starts meanwhile simply loads afresh.
        std::thread([recognizer = recognizer_] { recognizer->releaseIdle(); }).detach();
    });
}
