#pragma once

#include <QString>
#include <functional>
#include <optional>

// Speech to text for one dictation, the same for both engines. An engine serves exactly one
// dictation: start() once, then stop() or cancel(); callers build a fresh one each time.
// Every callback runs on the main thread.
class DictationService {
public:
    // Nothing on success, else the message to show.
    using StartDone = std::function<void(const std::optional<QString>& error)>;
    using StopDone = std::function<void(const QString& text)>;

    // Destroying an engine cancels it: the microphone closes and no callback runs any more.
    virtual ~DictationService() = default;

    // The whole text so far: the part the engine considers settled and a tentative rest.
    std::function<void(const QString& confirmed, const QString& tentative)> onPartial;
    // Once per microphone buffer, 0…1.
    std::function<void(float level)> onLevel;
    // Recognition failed while running.
    std::function<void(const QString& message)> onError;

    // Checks permissions and the language, prepares recognition and opens the microphone.
    virtual void start(StartDone done) = 0;
    // Ends the audio, waits a bounded time for the last words and hands over the final text.
    virtual void stop(StopDone done) = 0;
    // Tears everything down at once; the text is dropped and only a waiting stop() still gets
    // its answer (at once, with the text so far).
    virtual void cancel() = 0;
};
