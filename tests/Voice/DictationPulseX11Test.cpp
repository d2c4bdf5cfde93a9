#include <gtest/gtest.h>

#include <QFile>
#include <thread>

#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Platform/linux/PulseAudioSource.h"
#include "Voice/AnalyzerDictationService.h"
#include "Voice/EngineHarness.h"
#include "Voice/SpeechSample.h"
#include "support/SoundServer.h"

// The real capture path: a private sound server whose only input is a pipe that the test
// fills with speech once the engine listens.
TEST(DictationPulseX11Test, SpeechThroughTheSoundServerIsRecognised) {
    const std::vector<float> speech = SpeechSample::samples();
    ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
    SoundServer server(SoundServer::kPipeMicrophone);
    ASSERT_TRUE(server.running());

    EngineHarness harness(std::make_shared<Platform::PocketsphinxRecognizer>());
    DictationBackends backends = harness.backends();
    backends.makeAudioSource = [] { return std::make_unique<Platform::PulseAudioSource>(); };
    AnalyzerDictationService service("en-US", backends);
    harness.watch(service);
    ASSERT_EQ(harness.start(service, 30000), std::nullopt);

    // Speech, then the pause that closes the utterance, at about real time so the server
    // neither drops nor bunches it.
    std::thread writer([&] {
        server.play("mic", speech, 24000,
                    [] { std::this_thread::sleep_for(std::chrono::milliseconds(90)); });
    });
    const bool heard = QTest::qWaitFor(
        [&] {
            return !harness.partials.empty() && harness.partials.back().second.isEmpty() &&
                   harness.partials.back().first.contains("forward");
        },
        20000);
    writer.join();

    bool stopped = false;
    QString text;
    service.stop([&](const QString& t) {
        stopped = true;
        text = t;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped; }, 5000));
    QStringList shown;
    for (const auto& [confirmed, tentative] : harness.partials)
        shown << confirmed + QStringLiteral("|") + tentative;
    EXPECT_TRUE(heard) << "the engine showed, in turn:\n" << shown.join('\n').toStdString();
    EXPECT_TRUE(text.contains("forward")) << text.toStdString();
    EXPECT_GT(harness.levels, 10);
}

// No sound server where the environment points: the user reads what to do, the log says why.
TEST(DictationPulseX11Test, AMissingSoundServerIsReportedInGerman) {
    const QByteArray before = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/tavrin-pulse-socket");
    EngineHarness harness(std::make_shared<Platform::PocketsphinxRecognizer>());
    DictationBackends backends = harness.backends();
    backends.makeAudioSource = [] { return std::make_unique<Platform::PulseAudioSource>(); };
    AnalyzerDictationService service("en-US", backends);
    harness.watch(service);
    EXPECT_EQ(harness.start(service, 30000),
              "Mikrofon nicht erreichbar – Toneinstellungen prüfen.");
    ASSERT_EQ(harness.log.lines.size(), 1);
    EXPECT_TRUE(harness.log.lines[0].startsWith("[Tavrin] Mikrofon nicht geöffnet: PulseAudio: "))
        << harness.log.lines[0].toStdString();
    if (before.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", before);
}
