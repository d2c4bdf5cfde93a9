#include "Platform/fake/SampleAudioSource.h"

#include <QFile>
#include <QtEndian>
#include <chrono>

namespace Platform {

namespace {

constexpr std::size_t kBufferFrames = AudioSource::kSampleRate * 30 / 1000;

}  // namespace

SampleAudioSource::SampleAudioSource(std::vector<float> samples, double speed)
    : samples_(std::move(samples)), speed_(speed) {}

SampleAudioSource::~SampleAudioSource() {
    close();
}

std::vector<float> SampleAudioSource::readWav(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    const auto u16 = [&](qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    bool formatOk = false;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype size = u32(at + 4);
        const qsizetype body = at + 8;
        if (body + size > bytes.size() && id != "data")
            return {};
        if (id == "fmt " && size >= 16)
            formatOk = u16(body) == 1 && u16(body + 2) == 1 &&
                       u32(body + 4) == quint32(kSampleRate) && u16(body + 14) == 16;
        if (id == "data") {
            if (!formatOk)
                return {};
            const qsizetype count = std::min<qsizetype>(size, bytes.size() - body) / 2;
            std::vector<float> samples(count);
            for (qsizetype i = 0; i < count; ++i)
                samples[i] = qFromLittleEndian<qint16>(bytes.constData() + body + 2 * i) / 32768.0f;
            return samples;
        }
        at = body + size + (size & 1);
    }
    return {};
}

QString SampleAudioSource::open(Handlers handlers) {
    ++record_->opens;
    if (!failOpenWith.isEmpty())
        return failOpenWith;
    if (thread_.joinable())
        return QStringLiteral("the audio source was already used");
    handlers_ = std::move(handlers);
    if (spokenSince) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - *spokenSince).count();
        const auto missed =
            std::min(samples_.size(), static_cast<std::size_t>(seconds * kSampleRate));
        samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(missed));
    }
    record_->isOpen = true;
    thread_ = std::thread([this] { play(); });
    return {};
}

void SampleAudioSource::close() {
    {
        std::lock_guard lock(mutex_);
        if (stop_)
            return;
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
        ++record_->closes;
    }
    record_->isOpen = false;
}

void SampleAudioSource::play() {
    using namespace std::chrono;
    const std::vector<float> silence(kBufferFrames, 0.0f);
    const auto fast = speed_ > 0 ? duration_cast<microseconds>(30ms / speed_) : 0us;
    auto next = steady_clock::now();
    for (std::size_t at = 0;; at += kBufferFrames) {
        std::span<const float> buffer = silence;
        if (at < samples_.size()) {
            buffer = std::span<const float>(samples_).subspan(
                at, std::min(kBufferFrames, samples_.size() - at));
        } else if (!failAfterSamplesWith.isEmpty()) {
            handlers_.failed(failAfterSamplesWith);
            return;
        } else if (spokenSince) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_; });
            return;
        }
        {
            std::unique_lock lock(mutex_);
            if (stop_)
                return;
        }
        handlers_.buffer(buffer);
        ++record_->buffers;
        // Silence comes in real time, so that an idle microphone does not flood anything.
        next += at < samples_.size() ? fast : duration_cast<microseconds>(30ms);
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, next, [this] { return stop_; }))
            return;
    }
}

}  // namespace Platform
