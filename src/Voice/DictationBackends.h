#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Platform/AudioSource.h"
#include "Platform/Clock.h"
#include "Platform/MicrophoneAccess.h"
#include "Platform/SpeechRecognitionAccess.h"
#include "Platform/SpeechRecognizer.h"
#include "Platform/SystemLog.h"

class SpeechModelRelease;

// What the engines need of the system. The references outlive every engine.
struct DictationBackends {
    Platform::MicrophoneAccess& microphone;
    Platform::SpeechRecognitionAccess& speech;
    // Shared: a model may still be loading on a worker after its engine is gone.
    std::shared_ptr<Platform::SpeechRecognizer> recognizer;
    // A fresh, unopened microphone per engine.
    std::function<std::unique_ptr<Platform::AudioSource>()> makeAudioSource;
    Platform::Clock& clock;
    // The user's system language ("de_DE"): where the older engine turns when no model speaks
    // the requested one.
    QString systemLocale;
    // Where the technical detail of a failure goes; the user sees a sentence of ours.
    Platform::SystemLog& log;
    // Told when an engine's dictation starts and ends, to free the models once dictation
    // rests; none in tests of a single engine. The factory makes one when it is missing.
    std::shared_ptr<SpeechModelRelease> modelRelease = nullptr;
};
