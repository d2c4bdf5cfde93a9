#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "Platform/AudioSource.h"
#include "Platform/SpeechRecognizer.h"
#include "Voice/DictationError.h"

// The part of a dictation that runs off the main thread. A worker thread of its own opens the
// microphone, then loads the decoder while the audio waits in a queue, so that nothing said
// right after the press is lost to the model's load; then it decodes every buffer the capture
// thread queued, in order and without dropping any, until the audio ends. Every event is
// posted to `receiver`'s (the main) thread; none is delivered after cancel() or destruction,
// not even one the worker posted before.
class RecognitionPipeline {
public:
    // What went wrong, for the user, and the technical detail behind it, for the log.
    struct Failure {
        DictationError error;
        QString detail;
    };

    struct Events {
        // The microphone is open and its audio is kept (nothing), or it could not be opened.
        std::function<void(const std::optional<Failure>& failure)> ready;
        // The decoder is loaded and works through the audio kept since the microphone opened.
        std::function<void()> decoding;
        std::function<void(float level)> level;
        // The running utterance's words, or a finished utterance's (`final`).
        std::function<void(const QStringList& words, bool final)> heard;
        // Capture broke off, or the decoder could not be loaded; the words heard before have
        // been delivered and the microphone is closed.
        std::function<void(const Failure& failure)> failed;
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
    // Closes the microphone and stops the worker at its next step; it reports nothing more,
    // and what it reported before and is still on its way is dropped. When the worker has
    // not opened the microphone yet, it does not open it any more.
    void cancel();

    struct Core;

private:
    std::shared_ptr<Core> core_;
    bool started_ = false;
    // Main thread: set by cancel(), read by every delivery.
    bool cancelled_ = false;
};
