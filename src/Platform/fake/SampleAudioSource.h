#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "Platform/AudioSource.h"

namespace Platform {

// A microphone that plays given samples in 30 ms buffers on its own thread and then, like a
// real one, goes on with silence until closed (or, when asked, breaks off).
class SampleAudioSource final : public AudioSource {
public:
    // What happened to a source, kept by the test after handing the source over.
    struct Record {
        std::atomic<int> opens = 0;
        std::atomic<int> closes = 0;
        std::atomic<int> buffers = 0;
        std::atomic<bool> isOpen = false;
    };

    // `speed`: how many times faster than real time the samples play (0: as fast as taken).
    explicit SampleAudioSource(std::vector<float> samples, double speed = 1.0);
    ~SampleAudioSource() override;

    // Mono 16-bit PCM WAV at 16 kHz as samples in -1…1; empty when the file is anything else.
    static std::vector<float> readWav(const QString& path);

    std::shared_ptr<Record> record() const { return record_; }
    // open() fails with this text when set.
    QString failOpenWith;
    // After the samples, capture breaks off with this message instead of playing silence.
    QString failAfterSamplesWith;
    // The samples are someone speaking in real time since this moment: what was said before
    // open() is missed, and nothing at all, not even silence, follows the last of them.
    std::optional<std::chrono::steady_clock::time_point> spokenSince;

    QString open(Handlers handlers) override;
    void close() override;

private:
    void play();

    std::vector<float> samples_;
    double speed_;
    std::shared_ptr<Record> record_ = std::make_shared<Record>();
    Handlers handlers_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

}  // namespace Platform
