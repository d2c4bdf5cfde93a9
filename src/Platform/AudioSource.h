#pragma once

#include <QString>
#include <functional>
#include <span>

namespace Platform {

// The microphone as speech recognition wants it: mono float samples at 16 kHz, in buffers of
// 20 to 40 ms, delivered on a capture thread of the source's own. One source serves one
// recording: opened once, closed once.
class AudioSource {
public:
    static constexpr int kSampleRate = 16000;

    struct Handlers {
        // One buffer of samples in -1…1; runs on the capture thread.
        std::function<void(std::span<const float> samples)> buffer;
        // Capture broke while running (the server went away); runs once on the capture
        // thread, and no buffer follows.
        std::function<void(const QString& message)> failed;
    };

    // Closes the capture when still open.
    virtual ~AudioSource() = default;

    // Starts capture from the default input. Blocks until the first buffer can flow or the
    // source's own time limit has passed, so call it off the main thread. An empty text on
    // success, else what went wrong.
    virtual QString open(Handlers handlers) = 0;

    // Stops capture. Once it returns no handler runs any more. Quick, safe when not open, and
    // callable from any thread except the capture thread.
    virtual void close() = 0;
};

}  // namespace Platform
