#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "Platform/AudioSource.h"
#include "Platform/SpeechRecognizer.h"

// The part of a dictation that runs off the main thread. A worker thread of its own loads the
// decoder, opens the microphone and then decodes every buffer the capture thread queues, in
// order and without dropping any, until the audio ends. Every event is posted to `receiver`'s
// (the main) thread; none comes after cancel() or destruction.
class RecognitionPipeline {
public:
    struct Events {
        // The microphone is open (nothing), or the set-up failed (what went wrong).
        std::function<void(const std::optional<QString>& error)> ready;
        std::function<void(float level)> level;
        // The running utterance's words, or a finished utterance's (`final`).
        std::function<void(const QStringList& words, bool final)> heard;
        // Capture broke off; the words heard before it have been delivered.
        std::function<void(const QString& message)> failed;
        // After endAudio(): everything is decoded and delivered.
        std::function<void()> ended;
    };

    RecognitionPipeline(QObject* receiver, std::shared_ptr<Platform::SpeechRecognizer> recognizer,
                        std::unique_ptr<Platform::AudioSource> source);
    ~RecognitionPipeline();

    RecognitionPipeline(const RecognitionPipeline&) = delete;
    RecognitionPipeline& operator=(const RecognitionPipeline&) = delete;

    Events events;

    // Starts the worker for the model of `modelLocale`. Once only.
    void start(const QString& modelLocale);
    // Closes the microphone; the worker decodes what is queued, ends the utterance and
    // reports `ended`.
    void endAudio();
    // Closes the microphone and stops the worker at its next step; it reports nothing more.
    // When the worker is still setting up, it does not open the microphone any more.
    void cancel();

    struct Core;

private:
    std::shared_ptr<Core> core_;
    bool started_ = false;
};
