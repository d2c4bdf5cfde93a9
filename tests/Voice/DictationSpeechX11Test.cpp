#include <gtest/gtest.h>

#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Voice/AnalyzerDictationService.h"
#include "Voice/EngineHarness.h"
#include "Voice/LegacyDictationService.h"
#include "Voice/SpeechSample.h"

// Both engines on the installed model, fed real speech through a microphone that plays it.
// With the x11 tests, which run one at a time: fed three times faster than speech, the
// analyzer's text came out misheard when every core was busy with other tests.
TEST(DictationSpeechTest, BothEnginesRecogniseRealSpeech) {
    const std::vector<float> speech = SpeechSample::samples();
    ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
    auto recognizer = std::make_shared<Platform::PocketsphinxRecognizer>();

    for (const bool legacy : {false, true}) {
        SCOPED_TRACE(legacy ? "legacy" : "analyzer");
        EngineHarness harness(recognizer);
        harness.samples = speech;
        harness.speed = 3;
        std::unique_ptr<DictationService> service;
        if (legacy)
            service = std::make_unique<LegacyDictationService>("en-US", harness.backends());
        else
            service = std::make_unique<AnalyzerDictationService>("en-US", harness.backends());
        harness.watch(*service);
        ASSERT_EQ(harness.start(*service, 30000), std::nullopt);
        // Stopped once the engine has settled the phrase's word, not once the microphone has
        // played everything: fed three times faster than speech, the decoder of a busy machine
        // is still seconds behind then, and stop's bounded wait for the last words cut them off.
        const bool heard = QTest::qWaitFor(
            [&] {
                return !harness.partials.empty() &&
                       harness.partials.back().first.contains("forward");
            },
            30000);

        bool stopped = false;
        QString text;
        service->stop([&](const QString& t) {
            stopped = true;
            text = t;
        });
        // Bounded, not hanging; the exact give-up time is checked on the fake clock.
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped; }, 10000));
        EXPECT_TRUE(heard) << "what the engine showed last: "
                           << (harness.partials.empty() ? std::string("nothing")
                                                        : (harness.partials.back().first + "|" +
                                                           harness.partials.back().second)
                                                              .toStdString());
        EXPECT_TRUE(text.contains("forward")) << text.toStdString();
        EXPECT_FALSE(harness.partials.empty());
        EXPECT_FALSE(harness.offMainThread);
        EXPECT_GT(harness.levels, 10);
        EXPECT_FALSE(harness.source().isOpen);
    }
}

TEST(DictationSpeechTest, GermanWithoutAModelIsUnavailableOnStockDebian) {
    // The system folders hold only Debian's US-English model.
    auto recognizer = std::make_shared<Platform::PocketsphinxRecognizer>();
    ASSERT_TRUE(recognizer->supportedLocale("en-US"));
    EngineHarness harness(recognizer);
    harness.systemLocale = "de_DE";
    LegacyDictationService service("de-DE", harness.backends());
    EXPECT_EQ(harness.start(service),
              QString("Spracherkennung ist für diese Sprache gerade nicht verfügbar."));
    EXPECT_EQ(harness.source().opens, 0);
}
