#include "Platform/linux/PulseAudioSource.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <vector>

namespace Platform {

namespace {

// 30 ms: short enough for a lively level meter, long enough to keep wake-ups rare.
constexpr std::size_t kBufferFrames = AudioSource::kSampleRate * 30 / 1000;

// For the log: the library's own words, saying whose they are.
QString errorText(pa_context* context) {
    return QStringLiteral("PulseAudio: ") +
           QString::fromUtf8(pa_strerror(pa_context_errno(context)));
}

// What the loop's callbacks share with the capture thread.
struct Capture {
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    std::vector<float> pending;
    const AudioSource::Handlers* handlers = nullptr;
};

void deliver(Capture& capture, const float* samples, std::size_t count) {
    while (count > 0) {
        const std::size_t take = std::min(count, kBufferFrames - capture.pending.size());
        capture.pending.insert(capture.pending.end(), samples, samples + take);
        samples += take;
        count -= take;
        if (capture.pending.size() == kBufferFrames) {
            capture.handlers->buffer(capture.pending);
            capture.pending.clear();
        }
    }
}

void onReadable(pa_stream* stream, std::size_t, void* data) {
    auto& capture = *static_cast<Capture*>(data);
    const void* bytes = nullptr;
    std::size_t length = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &bytes, &length) < 0 || length == 0)
            return;
        // A hole in the stream comes as a null pointer with a length: nothing to read.
        if (bytes)
            deliver(capture, static_cast<const float*>(bytes), length / sizeof(float));
        pa_stream_drop(stream);
    }
}

}  // namespace

PulseAudioSource::PulseAudioSource(std::chrono::milliseconds openLimit) : openLimit_(openLimit) {}

PulseAudioSource::~PulseAudioSource() {
    close();
}

void PulseAudioSource::setPhase(Phase phase, const QString& error) {
    std::lock_guard lock(mutex_);
    phase_ = phase;
    if (!error.isEmpty())
        error_ = error;
    changed_.notify_all();
}

QString PulseAudioSource::open(Handlers handlers) {
    {
        std::lock_guard lock(mutex_);
        if (phase_ != Phase::idle)
            return QStringLiteral("the audio source was already used");
        phase_ = Phase::opening;
    }
    handlers_ = std::move(handlers);
    thread_ = std::thread([this] { run(); });
    std::unique_lock lock(mutex_);
    const bool settled =
        changed_.wait_for(lock, openLimit_, [this] { return phase_ != Phase::opening; });
    if (settled && phase_ == Phase::open)
        return {};
    const QString error =
        settled ? error_ : QStringLiteral("the sound server did not answer in time");
    lock.unlock();
    close();
    return error.isEmpty() ? QStringLiteral("the microphone could not be opened") : error;
}

void PulseAudioSource::close() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        if (loop_)
            pa_mainloop_wakeup(loop_);
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void PulseAudioSource::run() {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) {
        setPhase(Phase::failed, QStringLiteral("no PulseAudio main loop"));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        loop_ = loop;
    }
    Capture capture;
    capture.handlers = &handlers_;
    capture.pending.reserve(kBufferFrames);
    capture.context = pa_context_new(pa_mainloop_get_api(loop), "Tavrin");

    bool opened = false;
    QString failure;
    if (!capture.context ||
        pa_context_connect(capture.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        failure =
            capture.context ? errorText(capture.context) : QStringLiteral("no PulseAudio context");
    }
    while (failure.isEmpty() && !stop_) {
        if (pa_mainloop_iterate(loop, 1, nullptr) < 0) {
            failure = QStringLiteral("the PulseAudio loop failed");
            break;
        }
        const pa_context_state_t state = pa_context_get_state(capture.context);
        if (!PA_CONTEXT_IS_GOOD(state)) {
            failure = errorText(capture.context);
            break;
        }
        if (state == PA_CONTEXT_READY && !capture.stream) {
            const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, AudioSource::kSampleRate, 1};
            capture.stream = pa_stream_new(capture.context, "Tavrin dictation", &format, nullptr);
            if (!capture.stream) {
                failure = errorText(capture.context);
                break;
            }
            pa_stream_set_read_callback(capture.stream, onReadable, &capture);
            const std::uint32_t fragment = kBufferFrames * sizeof(float);
            const pa_buffer_attr attributes{std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1),
                                            std::uint32_t(-1), fragment};
            if (pa_stream_connect_record(capture.stream, nullptr, &attributes,
                                         PA_STREAM_ADJUST_LATENCY) < 0) {
                failure = errorText(capture.context);
                break;
            }
        }
        if (capture.stream) {
            const pa_stream_state_t streamState = pa_stream_get_state(capture.stream);
            if (!PA_STREAM_IS_GOOD(streamState)) {
                failure = errorText(capture.context);
                break;
            }
            if (streamState == PA_STREAM_READY && !opened) {
                opened = true;
                setPhase(Phase::open);
            }
        }
    }

    if (!capture.pending.empty() && failure.isEmpty())
        handlers_.buffer(capture.pending);
    if (capture.stream) {
        pa_stream_set_read_callback(capture.stream, nullptr, nullptr);
        pa_stream_disconnect(capture.stream);
        pa_stream_unref(capture.stream);
    }
    if (capture.context) {
        pa_context_disconnect(capture.context);
        pa_context_unref(capture.context);
    }
    {
        std::lock_guard lock(mutex_);
        loop_ = nullptr;
    }
    pa_mainloop_free(loop);

    if (!opened) {
        setPhase(Phase::failed, failure);
        return;
    }
    if (!failure.isEmpty() && !stop_ && handlers_.failed)
        handlers_.failed(failure);
    setPhase(Phase::ended);
}

}  // namespace Platform
