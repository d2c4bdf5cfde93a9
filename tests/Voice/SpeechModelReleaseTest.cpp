#include <gtest/gtest.h>

#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeSpeechRecognizer.h"
#include "Voice/DictationFactory.h"
#include "Voice/EngineHarness.h"
#include "Voice/SpeechModelRelease.h"

using Platform::FakeSpeechRecognizer;
using std::chrono::milliseconds;

namespace {

constexpr milliseconds kAfter = SpeechModelRelease::kAfter;
// Long enough for a release that was wrongly started to show, on its worker, in the count.
constexpr milliseconds kNone{150};
constexpr milliseconds kSoon{5000};

// The engines of a factory on the fake clock, as the application builds them.
struct Dictations {
    Dictations() : harness(recognizer, &clock), factory(harness.backends()) {}

    std::unique_ptr<DictationService> started() {
        auto engine = factory.make(QStringLiteral("en-US"));
        EXPECT_EQ(harness.start(*engine), std::nullopt);
        return engine;
    }

    static void stop(DictationService& engine) {
        bool done = false;
        engine.stop([&](const QString&) { done = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    }

    std::shared_ptr<FakeSpeechRecognizer> recognizer = std::make_shared<FakeSpeechRecognizer>();
    Platform::FakeClock clock;
    EngineHarness harness;
    DictationFactory factory;
};

}  // namespace

TEST(SpeechModelReleaseTest, TheModelsGoTheSetTimeAfterADictationEndsHoweverItEnds) {
    enum class End { stopped, cancelled, destroyed, failedToStart, modelBroken };
    for (const End end :
         {End::stopped, End::cancelled, End::destroyed, End::failedToStart, End::modelBroken}) {
        SCOPED_TRACE(int(end));
        Dictations d;
        EXPECT_EQ(d.clock.pendingTimers(), 0);
        std::unique_ptr<DictationService> engine;
        if (end == End::failedToStart) {
            d.harness.failOpen = "kaputt";
            engine = d.factory.make(QStringLiteral("en-US"));
            EXPECT_NE(d.harness.start(*engine), std::nullopt);
        } else if (end == End::modelBroken) {
            // The microphone is open by then: the dictation ends with the failure it reports.
            d.recognizer->loadError = "kaputt";
            engine = d.factory.make(QStringLiteral("en-US"));
            d.harness.watch(*engine);
            EXPECT_EQ(d.harness.start(*engine), std::nullopt);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !d.harness.errors.isEmpty(); }, 5000));
        } else {
            engine = d.started();
            // A dictation longer than the wait keeps its model.
            d.clock.advance(kAfter * 2);
            EXPECT_FALSE(d.recognizer->waitForReleases(1, kNone));
        }
        if (end == End::stopped)
            Dictations::stop(*engine);
        else if (end == End::cancelled)
            engine->cancel();
        else if (end == End::destroyed)
            engine.reset();

        d.clock.advance(kAfter - milliseconds(1));
        EXPECT_FALSE(d.recognizer->waitForReleases(1, kNone));
        d.clock.advance(milliseconds(1));
        EXPECT_TRUE(d.recognizer->waitForReleases(1, kSoon));
        // Nothing more is armed while idle, and the engine's late end adds no second release.
        EXPECT_EQ(d.clock.pendingTimers(), 0);
        engine.reset();
        d.clock.advance(kAfter * 2);
        EXPECT_FALSE(d.recognizer->waitForReleases(2, kNone));
    }
}

TEST(SpeechModelReleaseTest, ANewDictationPostponesTheRelease) {
    Dictations d;
    auto first = d.started();
    Dictations::stop(*first);
    d.clock.advance(kAfter - milliseconds(1));

    // Started just before the release was due, and running past it.
    auto second = d.started();
    d.clock.advance(kAfter);
    EXPECT_FALSE(d.recognizer->waitForReleases(1, kNone));
    Dictations::stop(*second);
    d.clock.advance(kAfter - milliseconds(1));
    EXPECT_FALSE(d.recognizer->waitForReleases(1, kNone));
    d.clock.advance(milliseconds(1));
    EXPECT_TRUE(d.recognizer->waitForReleases(1, kSoon));
    EXPECT_EQ(d.recognizer->releases(), 1);
}

TEST(SpeechModelReleaseTest, OverlappingDictationsReleaseOnlyAfterTheLastEnds) {
    Dictations d;
    auto panel = d.started();
    auto quick = d.started();
    panel->cancel();
    d.clock.advance(kAfter * 2);
    EXPECT_FALSE(d.recognizer->waitForReleases(1, kNone));
    Dictations::stop(*quick);
    d.clock.advance(kAfter);
    EXPECT_TRUE(d.recognizer->waitForReleases(1, kSoon));
}
