#pragma once

#include <chrono>
#include <memory>

#include "Platform/Clock.h"
#include "Platform/SpeechRecognizer.h"

// Frees the loaded speech models a while after the last dictation ended, so that an idle
// Tavrin does not keep a model's ~90 MB resident for the rest of the run. The next dictation
// loads the model again. Main thread.
class SpeechModelRelease {
public:
    // Dictations come in bursts while the user writes: a pause of a few minutes keeps the
    // model (no reload, ~0.2 s, and the decoder keeps its adaptation to the microphone), a
    // longer one is the end of the burst and gives the memory back.
    static constexpr std::chrono::minutes kAfter{3};

    SpeechModelRelease(std::shared_ptr<Platform::SpeechRecognizer> recognizer,
                       Platform::Clock& clock);
    ~SpeechModelRelease();

    // A dictation uses the models: nothing is released until every dictation that started
    // has ended, and the release is due kAfter after the last one ended. The only timer armed
    // while idle is that one single-shot.
    void dictationStarted();
    void dictationEnded();

private:
    std::shared_ptr<Platform::SpeechRecognizer> recognizer_;
    Platform::Clock& clock_;
    int running_ = 0;
    std::unique_ptr<Platform::Timer> due_;
};
