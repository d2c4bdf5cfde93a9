#include "Voice/RecognitionPipeline.h"

#include <QMetaObject>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "Voice/AudioLevel.h"

using Platform::AudioSource;
using Platform::SpeechDecoder;

struct RecognitionPipeline::Core {
    std::shared_ptr<Platform::SpeechRecognizer> recognizer;
    std::unique_ptr<AudioSource> source;

    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by `mutex`. Null once the pipeline is gone: nothing is posted any more.
    RecognitionPipeline* front = nullptr;
    QObject* receiver = nullptr;
    std::deque<std::vector<float>> queue;
    bool cancelled = false;
    bool audioEnded = false;
    bool captureOpen = false;
    std::optional<QString> captureFailure;

    // Runs `call` with the pipeline on the receiver's thread, unless the pipeline is gone or
    // cancelled by then (its receiver drops pending calls when destroyed; a cancel that comes
    // while calls wait in the queue is seen at delivery).
    template <typename Call>
    void post(Call call) {
        std::lock_guard lock(mutex);
        if (!front || cancelled)
            return;
        RecognitionPipeline* target = front;
        QMetaObject::invokeMethod(
            receiver,
            [target, call = std::move(call)] {
                if (!target->cancelled_)
                    call(target->events);
            },
            Qt::QueuedConnection);
    }

    // Whoever turns `captureOpen` off closes the source; never under the lock, since the
    // capture thread takes it for every buffer.
    void closeCapture() {
        bool wasOpen = false;
        {
            std::lock_guard lock(mutex);
            wasOpen = captureOpen;
            captureOpen = false;
        }
        if (wasOpen)
            source->close();
    }

    void onBuffer(std::span<const float> samples) {
        const float level = audioLevel(samples);
        post([level](Events& events) {
            if (events.level)
                events.level(level);
        });
        {
            std::lock_guard lock(mutex);
            queue.emplace_back(samples.begin(), samples.end());
        }
        wake.notify_all();
    }

    void onFailure(const QString& message) {
        {
            std::lock_guard lock(mutex);
            captureFailure = message.isEmpty() ? QStringLiteral("capture broke off") : message;
        }
        wake.notify_all();
    }

    void deliver(const std::vector<SpeechDecoder::Result>& results) {
        for (const auto& result : results)
            post([result](Events& events) {
                if (events.heard)
                    events.heard(result.words, result.final);
            });
    }

    void ready(const std::optional<Failure>& failure) {
        post([failure](Events& events) {
            if (events.ready)
                events.ready(failure);
        });
    }

    void fail(const Failure& failure) {
        post([failure](Events& events) {
            if (events.failed)
                events.failed(failure);
        });
    }

    bool isCancelled() {
        std::lock_guard lock(mutex);
        return cancelled;
    }

    static void run(const std::shared_ptr<Core>& core, const QString& modelLocale);
};

void RecognitionPipeline::Core::run(const std::shared_ptr<Core>& core, const QString& modelLocale) {
    if (core->isCancelled())
        return;
    // The microphone first: the user speaks as soon as the key is down, and a model that must
    // load again after a rest takes a noticeable moment. What is said meanwhile waits in the
    // queue for the decoder.
    Core* raw = core.get();
    const QString openError =
        core->source->open({[raw](std::span<const float> samples) { raw->onBuffer(samples); },
                            [raw](const QString& message) { raw->onFailure(message); }});
    if (!openError.isEmpty()) {
        core->ready(Failure{DictationError::microphoneUnavailable, openError});
        return;
    }
    bool closeAtOnce = false;
    {
        std::lock_guard lock(core->mutex);
        // Called off, or the audio ended, while the microphone opened: it closes again (what it
        // gave meanwhile still counts when the audio ended).
        closeAtOnce = core->cancelled || core->audioEnded;
        core->captureOpen = !closeAtOnce;
    }
    if (closeAtOnce) {
        core->source->close();
        if (core->isCancelled())
            return;
    }
    core->ready(std::nullopt);

    QString error;
    std::unique_ptr<SpeechDecoder> decoder = core->recognizer->decoder(modelLocale, &error);
    if (!decoder) {
        core->closeCapture();
        core->fail({DictationError::modelUnreadable,
                    error.isEmpty() ? QStringLiteral("the decoder could not be made") : error});
        return;
    }
    if (core->isCancelled())
        return;
    core->post([](Events& events) {
        if (events.decoding)
            events.decoding();
    });

    decoder->begin();
    std::optional<QString> failure;
    for (;;) {
        std::deque<std::vector<float>> batch;
        {
            std::unique_lock lock(core->mutex);
            core->wake.wait(lock, [&] {
                return core->cancelled || !core->queue.empty() || core->audioEnded ||
                       core->captureFailure;
            });
            if (core->cancelled)
                return;
            batch.swap(core->queue);
            if (batch.empty()) {
                failure = core->captureFailure;
                break;
            }
        }
        for (const auto& samples : batch) {
            core->deliver(decoder->decode(samples));
            if (core->isCancelled())
                return;
        }
    }
    if (failure)
        core->closeCapture();
    core->deliver(decoder->end());
    if (failure) {
        core->fail({DictationError::microphoneLost, *failure});
        return;
    }
    core->post([](Events& events) {
        if (events.ended)
            events.ended();
    });
}

RecognitionPipeline::RecognitionPipeline(QObject* receiver,
                                         std::shared_ptr<Platform::SpeechRecognizer> recognizer,
                                         std::unique_ptr<Platform::AudioSource> source)
    : core_(std::make_shared<Core>()) {
    core_->recognizer = std::move(recognizer);
    core_->source = std::move(source);
    core_->receiver = receiver;
    core_->front = this;
}

RecognitionPipeline::~RecognitionPipeline() {
    cancel();
    std::lock_guard lock(core_->mutex);
    core_->front = nullptr;
}

void RecognitionPipeline::start(const QString& modelLocale) {
    if (started_)
        return;
    started_ = true;
    // Detached: a model load cannot be interrupted, and waiting for it would stall the main
    // thread. The worker holds everything it touches and ends on its own.
    std::thread([core = core_, modelLocale] { Core::run(core, modelLocale); }).detach();
}

void RecognitionPipeline::endAudio() {
    core_->closeCapture();
    {
        std::lock_guard lock(core_->mutex);
        core_->audioEnded = true;
    }
    core_->wake.notify_all();
}

void RecognitionPipeline::cancel() {
    cancelled_ = true;
    {
        std::lock_guard lock(core_->mutex);
        core_->cancelled = true;
        core_->queue.clear();
    }
    core_->wake.notify_all();
    core_->closeCapture();
}
