#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Platform/AudioSource.h"

struct pa_mainloop;

namespace Platform {

// The default input of the PulseAudio server (PipeWire's pulse server too), recorded on a
// thread of its own that runs a private PulseAudio loop. The server converts to mono 16 kHz
// float; buffers are cut to 30 ms.
class PulseAudioSource final : public AudioSource {
public:
    // `openLimit`: how long open() waits for the server; a local one answers within
    // milliseconds.
    explicit PulseAudioSource(std::chrono::milliseconds openLimit = std::chrono::seconds(2));
    ~PulseAudioSource() override;

    QString open(Handlers handlers) override;
    void close() override;

private:
    enum class Phase { idle, opening, open, failed, ended };

    void run();
    void setPhase(Phase phase, const QString& error = {});

    const std::chrono::milliseconds openLimit_;
    Handlers handlers_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Phase phase_ = Phase::idle;
    QString error_;
    pa_mainloop* loop_ = nullptr;  // guarded by mutex_ for the wake-up from close()
    std::atomic<bool> stop_ = false;
};

}  // namespace Platform
