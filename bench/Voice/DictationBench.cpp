// What dictation costs: pocketsphinx's decoding speed as a ratio of real time (must stay well
// under 1), the time from start() to an open microphone once the model is loaded and when it
// must be loaded again after a release, the time from the start of speech to the first
// partial text, the memory a model holds and gives back on release, and whether speech that
// starts right at the press comes out whole when the model must load first.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/SampleAudioSource.h"
#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Platform/linux/QtClock.h"
#include "Voice/AnalyzerDictationService.h"
#include "support/BenchMain.h"

namespace {

const std::vector<float>& speech() {
    static QTemporaryDir folder;
    static const std::vector<float> samples = [] {
        const QString raw = folder.filePath("spoken.wav");
        const QString wav = folder.filePath("speech.wav");
        if (QProcess::execute("espeak-ng", {"-v", "en-us", "-s", "150", "-w", raw,
                                            "go forward ten meters. go forward ten meters."}) ||
            QProcess::execute("sox", {raw, "-r", "16000", "-c", "1", "-b", "16", wav}))
            qFatal("espeak-ng and sox make the speech sample (scripts/setup)");
        return Platform::SampleAudioSource::readWav(wav);
    }();
    return samples;
}

std::shared_ptr<Platform::PocketsphinxRecognizer> recognizer() {
    static auto shared = std::make_shared<Platform::PocketsphinxRecognizer>();
    return shared;
}

// A microphone that notes when it was opened.
class StampedSource final : public Platform::AudioSource {
public:
    StampedSource(std::vector<float> samples, std::atomic<qint64>& openedAt,
                  const QElapsedTimer& clock)
        : inner_(std::move(samples)), openedAt_(openedAt), clock_(clock) {}
    QString open(Handlers handlers) override {
        openedAt_ = clock_.nsecsElapsed();
        return inner_.open(std::move(handlers));
    }
    void close() override { inner_.close(); }

private:
    Platform::SampleAudioSource inner_;
    std::atomic<qint64>& openedAt_;
    const QElapsedTimer& clock_;
};

struct Dictation {
    Platform::QtClock clock;
    Platform::FakeMicrophoneAccess microphone;
    Platform::FakeSpeechRecognitionAccess speechAccess;
    Platform::FakeSystemLog log;
    std::atomic<qint64> openedAt = -1;
    // What a speaker at the press said before the microphone opened.
    std::atomic<std::size_t> missedSamples = 0;
    QElapsedTimer elapsed;

    std::unique_ptr<AnalyzerDictationService> make(std::vector<float> samples) {
        return makeWith([this, samples] {
            return std::make_unique<StampedSource>(samples, openedAt, elapsed);
        });
    }
    std::unique_ptr<AnalyzerDictationService> makeWith(
        std::function<std::unique_ptr<Platform::AudioSource>()> source) {
        microphone.current = Platform::AuthorizationStatus::authorized;
        elapsed.start();
        return std::make_unique<AnalyzerDictationService>(
            "en-US", DictationBackends{microphone, speechAccess, recognizer(), std::move(source),
                                       clock, "en_US", log});
    }
};

// A microphone in front of someone who starts speaking at the press, in real time: what was
// said before open() is gone, as with a real one.
class SpeakerAtThePress final : public Platform::AudioSource {
public:
    SpeakerAtThePress(const std::vector<float>& speech, Dictation& dictation)
        : speech_(speech), dictation_(dictation) {}
    QString open(Handlers handlers) override {
        const qint64 at = dictation_.elapsed.nsecsElapsed();
        dictation_.openedAt = at;
        const auto missed = std::min<std::size_t>(
            speech_.size(), std::size_t(at / 1e9 * Platform::AudioSource::kSampleRate));
        dictation_.missedSamples = missed;
        inner_ = std::make_unique<Platform::SampleAudioSource>(
            std::vector<float>(speech_.begin() + missed, speech_.end()));
        return inner_->open(std::move(handlers));
    }
    void close() override {
        if (inner_)
            inner_->close();
    }

private:
    const std::vector<float>& speech_;
    Dictation& dictation_;
    std::unique_ptr<Platform::SampleAudioSource> inner_;
};

void decodingSpeed(benchmark::State& state) {
    const auto& samples = speech();
    QString error;
    auto decoder = recognizer()->decoder("en-us", &error);
    if (!decoder) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    const double audioSeconds = samples.size() / double(Platform::AudioSource::kSampleRate);
    double decodeSeconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        decoder->begin();
        for (std::size_t at = 0; at < samples.size(); at += 480)
            benchmark::DoNotOptimize(decoder->decode(std::span<const float>(samples).subspan(
                at, std::min<std::size_t>(480, samples.size() - at))));
        benchmark::DoNotOptimize(decoder->end());
        const double seconds = timer.nsecsElapsed() / 1e9;
        decodeSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["realtime_ratio"] = decodeSeconds / state.iterations() / audioSeconds;
}

// One dictation's start() to an open microphone, in seconds.
double openMicrophone() {
    Dictation dictation;
    auto service = dictation.make({});
    service->start([](const std::optional<QString>&) {});
    (void)QTest::qWaitFor([&] { return dictation.openedAt >= 0; }, 10000);
    service->cancel();
    // The worker gives its decoder back once it sees the cancel; a start before that would
    // load a second one and time the load.
    QTest::qWait(50);
    return dictation.openedAt / 1e9;
}

void startToMicrophone(benchmark::State& state) {
    openMicrophone();  // loads the model
    for (auto _ : state)
        state.SetIterationTime(openMicrophone());
}

// The process's own memory (anonymous resident pages), in MB.
double ownMemoryMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// The model's memory on a recognizer of its own: before the load, after a dictation (the
// decoder back in the pool) and after releaseIdle(). Repeated, since freed heap that the C
// library keeps shows from the second round on.
void modelMemory(benchmark::State& state) {
    const auto& samples = speech();
    Platform::PocketsphinxRecognizer recognizer;
    double before = 0, loaded = 0, released = 0;
    for (auto _ : state) {
        before = ownMemoryMb();
        QString error;
        auto decoder = recognizer.decoder("en-us", &error);
        if (!decoder) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        decoder->begin();
        for (std::size_t at = 0; at < samples.size(); at += 480)
            benchmark::DoNotOptimize(decoder->decode(std::span<const float>(samples).subspan(
                at, std::min<std::size_t>(480, samples.size() - at))));
        benchmark::DoNotOptimize(decoder->end());
        decoder.reset();
        loaded = ownMemoryMb();
        QElapsedTimer timer;
        timer.start();
        recognizer.releaseIdle();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        released = ownMemoryMb();
    }
    state.counters["own_mb_before"] = before;
    state.counters["own_mb_after_dictation"] = loaded;
    state.counters["own_mb_after_release"] = released;
}

// start() to an open microphone when the model was released since the last dictation.
void startToMicrophoneAfterRelease(benchmark::State& state) {
    for (auto _ : state) {
        // The last dictation's decoder goes back to the pool once its worker has stopped.
        QElapsedTimer waited;
        waited.start();
        while (recognizer()->releaseIdle() == 0 && waited.elapsed() < 5000)
            QTest::qWait(10);
        state.SetIterationTime(openMicrophone());
    }
}

struct ColdDictation {
    QString text;
    // What was said before the microphone opened.
    std::size_t missedSamples = 0;
    // ns after the press.
    qint64 openedAt = 0;
};

// One dictation of the sample, the model released before it. `fromThePress`: the speaker starts at
// the press, and what was said before the microphone opened is missed; else the speaker starts when
// the microphone opens, `skipped` samples into the sample (the reference: nothing more is missed).
std::optional<ColdDictation> dictateWithAColdModel(bool fromThePress, std::size_t skipped = 0) {
    QElapsedTimer waited;
    waited.start();
    while (recognizer()->releaseIdle() == 0 && waited.elapsed() < 5000)
        QTest::qWait(10);
    Dictation dictation;
    const std::vector<float> rest(speech().begin() + std::ptrdiff_t(skipped), speech().end());
    auto service = fromThePress ? dictation.makeWith([&dictation] {
        return std::make_unique<SpeakerAtThePress>(speech(), dictation);
    })
                                : dictation.make(rest);
    service->start([](const std::optional<QString>&) {});
    // The key goes up once the speaker is done, with half a second to spare.
    QTest::qWait(int(speech().size() * 1000 / Platform::AudioSource::kSampleRate) + 500);
    std::optional<QString> text;
    service->stop([&](const QString& t) { text = t; });
    if (!QTest::qWaitFor([&] { return text.has_value(); }, 10000))
        return std::nullopt;
    return ColdDictation{*text, dictation.missedSamples, dictation.openedAt};
}

// Speech that begins at the press, while the model was released and must load again: the
// time to an open microphone, the speech said before it opened, and whether the text is the
// one a cold start gives when the speaker waits for the microphone (fed the same samples, so
// that only what the wait for the model costs counts).
void speechFromThePressWithAColdModel(benchmark::State& state) {
    double missedMs = 0, heardWords = 0, referenceWords = 0, whole = 0;
    for (auto _ : state) {
        const auto pressed = dictateWithAColdModel(true);
        if (!pressed) {
            state.SkipWithError("stop() did not answer");
            return;
        }
        // The sample opens with 15 ms of silence: a miss within it loses nothing.
        const auto reference =
            dictateWithAColdModel(false, std::min<std::size_t>(pressed->missedSamples, 240));
        if (!reference) {
            state.SkipWithError("stop() did not answer");
            return;
        }
        const QStringList expected = reference->text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QStringList heard = pressed->text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        state.SetIterationTime(pressed->openedAt / 1e9);
        missedMs += pressed->missedSamples * 1000.0 / Platform::AudioSource::kSampleRate;
        heardWords += heard.size();
        referenceWords += expected.size();
        whole += heard == expected ? 1 : 0;
    }
    state.counters["speech_missed_ms"] = missedMs / state.iterations();
    state.counters["words_reference"] = referenceWords / state.iterations();
    state.counters["words_heard"] = heardWords / state.iterations();
    state.counters["whole"] = whole / state.iterations();
}

void firstPartial(benchmark::State& state) {
    // A loaded model, as within a burst of dictations: the microphone opens before a model
    // loads, and a load would count here.
    QString error;
    recognizer()->decoder("en-us", &error);
    for (auto _ : state) {
        Dictation dictation;
        auto service = dictation.make(speech());
        qint64 partialAt = -1;
        service->onPartial = [&](const QString&, const QString&) {
            if (partialAt < 0)
                partialAt = dictation.elapsed.nsecsElapsed();
        };
        service->start([](const std::optional<QString>&) {});
        if (!QTest::qWaitFor([&] { return partialAt >= 0; }, 10000)) {
            state.SkipWithError("no partial text");
            return;
        }
        // The samples begin with speech, and playing begins when the microphone opens.
        state.SetIterationTime((partialAt - dictation.openedAt) / 1e9);
        service->cancel();
        // As in openMicrophone(): the next start would otherwise load a second decoder.
        QTest::qWait(50);
    }
}

}  // namespace

BENCHMARK(decodingSpeed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(startToMicrophone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(startToMicrophoneAfterRelease)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(firstPartial)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(speechFromThePressWithAColdModel)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

BENCHMARK(modelMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    return runBenchmarks<QCoreApplication>(argc, argv);
}
