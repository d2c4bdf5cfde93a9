#include <gtest/gtest.h>

#include <thread>

#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeSpeechRecognizer.h"
#include "Settings/AssistantSettings.h"
#include "Voice/AnalyzerDictationService.h"
#include "Voice/DictationError.h"
#include "Voice/DictationFactory.h"
#include "Voice/EngineHarness.h"
#include "Voice/LegacyDictationService.h"
#include "Voice/QuickDictationController.h"
#include "support/ScopedLocale.h"

using Platform::AuthorizationStatus;
using Platform::FakeSpeechRecognizer;
using Result = Platform::SpeechDecoder::Result;

namespace {

enum class Engine { analyzer, legacy };

std::unique_ptr<DictationService> make(Engine engine, EngineHarness& harness,
                                       const QString& locale = QStringLiteral("en-US")) {
    if (engine == Engine::analyzer)
        return std::make_unique<AnalyzerDictationService>(locale, harness.backends());
    return std::make_unique<LegacyDictationService>(locale, harness.backends());
}

const char* nameOf(Engine engine) {
    return engine == Engine::analyzer ? "analyzer" : "legacy";
}

struct StopWaiter {
    bool done = false;
    QString text;
    DictationService::StopDone callback() {
        return [this](const QString& t) {
            done = true;
            text = t;
        };
    }
};

// Starts, waits for the first words, then stops with the decoder's end hanging.
void stopWhileTheLastWordsHang(DictationService& service, EngineHarness& harness,
                               FakeSpeechRecognizer& recognizer, StopWaiter& stop) {
    harness.watch(service);
    ASSERT_EQ(harness.start(service), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.partials.empty(); }, 5000));
    recognizer.holdEnd();
    service.stop(stop.callback());
    ASSERT_TRUE(recognizer.waitUntilHeld(std::chrono::seconds(5)));
}

}  // namespace

TEST(DictationEngineTest, CallingOffWhileTheModelLoadsClosesTheMicrophoneAndReportsNothing) {
    for (const Engine engine : {Engine::analyzer, Engine::legacy})
        for (const bool destroy : {false, true}) {
            SCOPED_TRACE(std::string(nameOf(engine)) + (destroy ? ", destroyed" : ", cancelled"));
            auto recognizer = std::make_shared<FakeSpeechRecognizer>();
            EngineHarness harness(recognizer);
            recognizer->holdLoading();
            auto service = make(engine, harness);
            harness.watch(*service);
            service->start([](const std::optional<QString>&) {});
            ASSERT_TRUE(recognizer->waitUntilHeld(std::chrono::seconds(5)));
            ASSERT_TRUE(QTest::qWaitFor([&] { return harness.source().isOpen.load(); }, 5000));
            if (destroy)
                service.reset();
            else
                service->cancel();
            EXPECT_FALSE(harness.source().isOpen);
            const int levels = harness.levels;
            recognizer->release();
            QTest::qWait(200);
            EXPECT_EQ(harness.levels, levels);
            EXPECT_TRUE(harness.partials.empty());
            EXPECT_TRUE(harness.errors.isEmpty());
        }
}

TEST(DictationEngineTest, StopGivesUpOnAStalledSetUpAfterFiveSeconds) {
    for (const Engine engine : {Engine::analyzer, Engine::legacy}) {
        SCOPED_TRACE(nameOf(engine));
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        Platform::FakeClock clock;
        EngineHarness harness(recognizer, &clock);
        recognizer->holdLoading();
        auto service = make(engine, harness);
        service->start([](const std::optional<QString>&) {});
        ASSERT_TRUE(recognizer->waitUntilHeld(std::chrono::seconds(5)));
        StopWaiter stop;
        service->stop(stop.callback());
        clock.advance(std::chrono::milliseconds(4999));
        EXPECT_FALSE(stop.done);
        clock.advance(std::chrono::milliseconds(1));
        EXPECT_TRUE(stop.done);
        EXPECT_EQ(stop.text, QString());
        // The model that finally loads finds the microphone of the finished dictation closed.
        EXPECT_FALSE(harness.source().isOpen);
        recognizer->release();
        QTest::qWait(200);
        EXPECT_FALSE(harness.source().isOpen);
    }
}

TEST(DictationEngineTest, StopDuringASlowSetUpWaitsForItThenStops) {
    for (const Engine engine : {Engine::analyzer, Engine::legacy}) {
        SCOPED_TRACE(nameOf(engine));
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        recognizer->setScript({{}, {{{"da"}, true}}});
        Platform::FakeClock clock;
        EngineHarness harness(recognizer, &clock);
        recognizer->holdLoading();
        auto service = make(engine, harness);
        std::optional<std::optional<QString>> started;
        service->start([&](const std::optional<QString>& error) { started = error; });
        ASSERT_TRUE(recognizer->waitUntilHeld(std::chrono::seconds(5)));
        StopWaiter stop;
        service->stop(stop.callback());
        clock.advance(std::chrono::milliseconds(4000));
        recognizer->release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return stop.done; }, 5000));
        EXPECT_EQ(started, std::make_optional(std::optional<QString>()));
        EXPECT_EQ(stop.text, "da");
        EXPECT_EQ(harness.source().opens, 1);
        EXPECT_FALSE(harness.source().isOpen);
    }
}

TEST(DictationEngineTest, StopGivesUpOnAStalledFinalisationAndKeepsTheWordsHeard) {
    const struct {
        Engine engine;
        std::chrono::milliseconds limit;
        QString text;
    } rows[] = {{Engine::analyzer, std::chrono::milliseconds(2000), "go forward"},
                {Engine::legacy, std::chrono::milliseconds(1200), "go forward"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(nameOf(row.engine));
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        recognizer->setScript({{{960, {{{"go", "forward"}, true}}}}, {}});
        Platform::FakeClock clock;
        EngineHarness harness(recognizer, &clock);
        harness.samples.assign(1920, 0.1f);
        harness.speed = 0;
        auto service = make(row.engine, harness);
        StopWaiter stop;
        stopWhileTheLastWordsHang(*service, harness, *recognizer, stop);
        clock.advance(row.limit - std::chrono::milliseconds(1));
        EXPECT_FALSE(stop.done);
        clock.advance(std::chrono::milliseconds(1));
        EXPECT_TRUE(stop.done);
        EXPECT_EQ(stop.text, row.text);
        EXPECT_FALSE(harness.source().isOpen);
        recognizer->release();
    }
}

TEST(DictationEngineTest, LanguagesWithoutAModel) {
    const struct {
        const char* language;
        QStringList models;
        const char* systemLocale;
        std::optional<QString> error;
        const char* loaded;
    } rows[] = {
        // Stock Debian on a German desktop: German dictation cannot run.
        {"de-DE",
         {"en-us"},
         "de_DE",
         "Spracherkennung ist für diese Sprache gerade nicht verfügbar.",
         ""},
        // German stands in for a language without a model.
        {"it-IT", {"en-us", "de-de"}, "it_IT", std::nullopt, "de-de"},
        {"de_AT", {"en-us", "de-de"}, "en_US", std::nullopt, "de-de"},
        // Without German either, the system's language is tried.
        {"it-IT", {"en-us"}, "en_US", std::nullopt, "en-us"},
        {"en-US", {"en-us"}, "de_DE", std::nullopt, "en-us"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        auto recognizer = std::make_shared<FakeSpeechRecognizer>(row.models);
        EngineHarness harness(recognizer);
        harness.systemLocale = row.systemLocale;
        AssistantSettings settings;
        settings.dictationLanguage = row.language;
        const DictationFactory factory(harness.backends());
        // What the settings say of a language is what dictation then does.
        const std::optional<QString> promised = factory.modelLocale(row.language);
        auto service = factory.make(settings);
        ASSERT_TRUE(service);
        EXPECT_EQ(harness.start(*service), row.error);
        EXPECT_EQ(recognizer->lastLoaded(), row.loaded);
        EXPECT_EQ(promised.value_or(QString()), row.loaded);
        EXPECT_EQ(harness.sources.at(0)->opens, row.error ? 0 : 1);
    }
}

// The C and POSIX locales name no language; what they write is American English.
TEST(DictationEngineTest, TheCLocaleStandsForEnglish) {
    const struct {
        const char* name;
        const char* speech;
    } rows[] = {
        {"C", "en_US"},      {"POSIX", "en_US"},      {"C.UTF-8", "en_US"},
        {"C.utf8", "en_US"}, {"POSIX@euro", "en_US"}, {"", "en_US"},
        {"ca_ES", "ca_ES"},  {"de_DE", "de_DE"},      {"en_GB.UTF-8", "en_GB.UTF-8"},
        {"Cy_GB", "Cy_GB"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DictationFactory::speechLocale(QString::fromUtf8(row.name)), row.speech);
    }
}

// "Automatisch" under the C locale listens with the English model, not with the German one
// that stands in for a language without a model, and says nothing is missing.
TEST(DictationEngineTest, AutomaticUnderTheCLocaleListensInEnglish) {
    const ScopedLocale c(QLocale::c());
    const struct {
        const char* language;
        QStringList models;
        const char* systemLocale;
        const char* loaded;
    } rows[] = {
        {"auto", {"en-us"}, "C", "en-us"},
        {"auto", {"en-us", "de-de"}, "C.UTF-8", "en-us"},
        // Without German, a language without a model turns to the system's.
        {"it-IT", {"en-us"}, "POSIX", "en-us"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.language) + " " + row.systemLocale);
        auto recognizer = std::make_shared<FakeSpeechRecognizer>(row.models);
        EngineHarness harness(recognizer);
        harness.systemLocale = row.systemLocale;
        const DictationFactory factory(harness.backends());
        EXPECT_EQ(factory.modelLocale(row.language).value_or(QString()), row.loaded);
        auto service = factory.make(row.language);
        ASSERT_TRUE(service);
        EXPECT_EQ(harness.start(*service), std::nullopt);
        EXPECT_EQ(recognizer->lastLoaded(), row.loaded);
        service->cancel();
    }
}

TEST(DictationEngineTest, DictationSwitchedOffBuildsNoEngine) {
    EngineHarness harness(std::make_shared<FakeSpeechRecognizer>());
    AssistantSettings settings;
    settings.dictationEnabled = false;
    EXPECT_EQ(DictationFactory(harness.backends()).make(settings), nullptr);
}

TEST(DictationEngineTest, MissingPermissionsStopTheStart) {
    const QString notAuthorized = describe(DictationError::notAuthorized);
    const struct {
        Engine engine;
        AuthorizationStatus microphone;
        AuthorizationStatus speech;
        std::optional<QString> error;
    } rows[] = {
        {Engine::analyzer, AuthorizationStatus::denied, AuthorizationStatus::authorized,
         notAuthorized},
        {Engine::legacy, AuthorizationStatus::notDetermined, AuthorizationStatus::authorized,
         notAuthorized},
        {Engine::legacy, AuthorizationStatus::authorized, AuthorizationStatus::restricted,
         notAuthorized},
        // The model engine does not ask about speech recognition.
        {Engine::analyzer, AuthorizationStatus::authorized, AuthorizationStatus::restricted,
         std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(nameOf(row.engine));
        EngineHarness harness(std::make_shared<FakeSpeechRecognizer>());
        harness.microphone.current = row.microphone;
        harness.speech.current = row.speech;
        auto service = make(row.engine, harness);
        EXPECT_EQ(harness.start(*service), row.error);
        if (row.error) {
            // Stopping an engine that never started answers at once.
            StopWaiter stop;
            service->stop(stop.callback());
            EXPECT_TRUE(stop.done);
        }
    }
}

TEST(DictationEngineTest, WordsBecomeSettledAndTentativeText) {
    using Partials = std::vector<std::pair<QString, QString>>;
    const FakeSpeechRecognizer::Script script{{{480, {{{"go"}, false}}},
                                               {960, {{{"go", "forward"}, false}}},
                                               {1440, {{{"go", "forward"}, true}}},
                                               {1920, {{{"ten"}, false}}}},
                                              {{{"ten", "meters"}, true}}};
    const struct {
        Engine engine;
        Partials partials;
        QString result;
    } rows[] = {
        {Engine::analyzer,
         {{"", "go"},
          {"", "go forward"},
          {"go forward", ""},
          {"go forward", " ten"},
          {"go forward ten meters", ""}},
         "go forward ten meters"},
        {Engine::legacy,
         {{"", "go"},
          {"go ", "forward"},
          {"go ", "forward"},
          {"go forward ", "ten"},
          {"go forward ten ", "meters"}},
         "go forward ten meters"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(nameOf(row.engine));
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        recognizer->setScript(script);
        EngineHarness harness(recognizer);
        harness.samples.assign(1920, 0.1f);
        harness.speed = 0;
        auto service = make(row.engine, harness);
        harness.watch(*service);
        ASSERT_EQ(harness.start(*service), std::nullopt);
        ASSERT_TRUE(QTest::qWaitFor([&] { return harness.partials.size() >= 4; }, 5000));
        StopWaiter stop;
        service->stop(stop.callback());
        ASSERT_TRUE(QTest::qWaitFor([&] { return stop.done; }, 5000));
        EXPECT_EQ(stop.text, row.result);
        EXPECT_EQ(harness.partials, row.partials);
        EXPECT_GT(harness.levels, 0);
        EXPECT_FALSE(harness.offMainThread);
        EXPECT_FALSE(harness.source().isOpen);
    }
}

TEST(DictationEngineTest, CaptureThatBreaksOffReleasesTheMicrophone) {
    const QString lost = "Mikrofon ausgefallen – Toneinstellungen prüfen.";
    const struct {
        Engine engine;
        bool wordsFirst;
        QStringList errors;
        QString result;
    } rows[] = {
        {Engine::analyzer, true, {lost}, "hallo"},
        {Engine::analyzer, false, {lost}, ""},
        // The older engine keeps quiet about a failure once it has heard something.
        {Engine::legacy, true, {}, "hallo"},
        {Engine::legacy, false, {lost}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(nameOf(row.engine)) + (row.wordsFirst ? ", words" : ""));
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        if (row.wordsFirst)
            recognizer->setScript({{{480, {{{"hallo"}, true}}}}, {}});
        EngineHarness harness(recognizer);
        harness.samples.assign(960, 0.1f);
        harness.speed = 0;
        harness.failAfterSamples = "Ton weg";
        auto service = make(row.engine, harness);
        harness.watch(*service);
        ASSERT_EQ(harness.start(*service), std::nullopt);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.source().isOpen; }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(harness.errors, row.errors);
        StopWaiter stop;
        service->stop(stop.callback());
        EXPECT_TRUE(stop.done);
        EXPECT_EQ(stop.text, row.result);
    }
}

TEST(DictationEngineTest, FailuresReachTheUserInGermanAndTheirDetailTheLog) {
    const struct {
        const char* name;
        Engine engine;
        QString failOpen;
        QString loadError;
        QString failAfterSamples;
        std::optional<QString> startError;
        QStringList errors;
        QString logged;
    } rows[] = {
        {"no sound server",
         Engine::analyzer,
         "PulseAudio: Connection refused",
         {},
         {},
         "Mikrofon nicht erreichbar – Toneinstellungen prüfen.",
         {},
         "[Tavrin] Mikrofon nicht geöffnet: PulseAudio: Connection refused"},
        {"no speech library",
         Engine::legacy,
         {},
         "the speech library libpocketsphinx.so.3 could not be loaded",
         {},
         std::nullopt,
         {"Sprachmodell fehlt – Pocketsphinx neu installieren."},
         "[Tavrin] Sprachmodell nicht geladen: the speech library libpocketsphinx.so.3 could not "
         "be loaded"},
        {"the sound server goes away",
         Engine::analyzer,
         {},
         {},
         "PulseAudio: Connection terminated",
         std::nullopt,
         {"Mikrofon ausgefallen – Toneinstellungen prüfen."},
         "[Tavrin] Mikrofon abgebrochen: PulseAudio: Connection terminated"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        recognizer->loadError = row.loadError;
        EngineHarness harness(recognizer);
        harness.samples.assign(960, 0.1f);
        harness.speed = 0;
        harness.failOpen = row.failOpen;
        harness.failAfterSamples = row.failAfterSamples;
        auto service = make(row.engine, harness);
        harness.watch(*service);
        EXPECT_EQ(harness.start(*service), row.startError);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.log.lines.isEmpty(); }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(harness.errors, row.errors);
        EXPECT_EQ(harness.log.lines, QStringList{row.logged});
        EXPECT_FALSE(harness.source().isOpen);
    }
}

TEST(DictationEngineTest, WordsSaidWhileTheModelLoadsAreKept) {
    for (const Engine engine : {Engine::analyzer, Engine::legacy}) {
        SCOPED_TRACE(nameOf(engine));
        auto recognizer = std::make_shared<FakeSpeechRecognizer>();
        // The words come out only when the decoder has had every sample of them.
        recognizer->setScript({{{16000, {{{"eins", "zwei", "drei"}, true}}}}, {}});
        recognizer->holdLoading();
        EngineHarness harness(recognizer);
        harness.samples.assign(16000, 0.1f);
        auto service = make(engine, harness);
        harness.watch(*service);
        // The user speaks from the press on, for a second, while the model takes its time.
        harness.spokenSince = std::chrono::steady_clock::now();
        std::optional<std::optional<QString>> started;
        service->start([&](const std::optional<QString>& error) { started = error; });
        ASSERT_TRUE(recognizer->waitUntilHeld(std::chrono::seconds(5)));
        QTest::qWait(300);
        EXPECT_EQ(started, std::make_optional(std::optional<QString>()))
            << "the dictation listens while the model loads";
        recognizer->release();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !harness.partials.empty(); }, 3000));
        StopWaiter stop;
        service->stop(stop.callback());
        ASSERT_TRUE(QTest::qWaitFor([&] { return stop.done; }, 5000));
        EXPECT_EQ(stop.text, "eins zwei drei");
    }
}

TEST(DictationEngineTest, NoCallbackAfterCancelOrTheAnswerOfStop) {
    // A partial text for every buffer: plenty of events wait in the queue once the main
    // thread has been busy for a while.
    FakeSpeechRecognizer::Script script;
    for (int i = 1; i <= 200; ++i)
        script.steps.push_back({std::size_t(480 * i), {{{QString("wort%1").arg(i)}, false}}});
    for (const Engine engine : {Engine::analyzer, Engine::legacy})
        for (const bool cancel : {true, false}) {
            SCOPED_TRACE(std::string(nameOf(engine)) + (cancel ? ", cancel" : ", stop"));
            auto recognizer = std::make_shared<FakeSpeechRecognizer>();
            recognizer->setScript(script);
            Platform::FakeClock clock;
            EngineHarness harness(recognizer, &clock);
            harness.samples.assign(480 * 200, 0.1f);
            harness.speed = 0;
            auto service = make(engine, harness);
            harness.watch(*service);
            ASSERT_EQ(harness.start(*service), std::nullopt);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (cancel) {
                service->cancel();
            } else {
                StopWaiter stop;
                service->stop(stop.callback());
                clock.advance(StreamingDictationService::kSetUpLimit);
                ASSERT_TRUE(stop.done);
            }
            const auto partials = harness.partials.size();
            const int levels = harness.levels;
            QTest::qWait(200);
            EXPECT_EQ(harness.partials.size(), partials);
            EXPECT_EQ(harness.levels, levels);
            EXPECT_TRUE(harness.errors.isEmpty());
        }
}

TEST(DictationEngineTest, CancelAnswersAWaitingStopAndDestroyingClosesTheMicrophone) {
    auto recognizer = std::make_shared<FakeSpeechRecognizer>();
    recognizer->setScript({{{480, {{{"hallo"}, false}}}}, {}});
    EngineHarness harness(recognizer);
    harness.samples.assign(960, 0.1f);
    auto service = make(Engine::legacy, harness);
    StopWaiter stop;
    stopWhileTheLastWordsHang(*service, harness, *recognizer, stop);
    service->cancel();
    EXPECT_TRUE(stop.done);
    EXPECT_EQ(stop.text, "hallo");
    recognizer->release();

    auto second = make(Engine::analyzer, harness);
    ASSERT_EQ(harness.start(*second), std::nullopt);
    EXPECT_TRUE(harness.source(1).isOpen);
    second.reset();
    EXPECT_FALSE(harness.source(1).isOpen);
}

TEST(DictationEngineTest, QuickDictationRunsOnARealEngine) {
    auto recognizer = std::make_shared<FakeSpeechRecognizer>();
    recognizer->setScript({{{480, {{{"hallo"}, false}}}}, {{{"hallo", "welt"}, true}}});
    EngineHarness harness(recognizer);
    harness.samples.assign(960, 0.1f);
    DictationFactory factory(harness.backends());
    QuickDictationController controller(
        [&](const QString& language) { return factory.make(language); }, harness.clock);
    AssistantSettings settings;
    settings.dictationLanguage = "en-US";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(controller.prepare(settings, false));
        controller.hud().show(QRectF(10, 10, 100, 20));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return controller.model().tentative() == "hallo"; }, 5000));
        std::optional<QString> text;
        controller.finish([&](const QString& t) { text = t; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return text.has_value(); }, 5000));
        EXPECT_EQ(text, "hallo welt");
        EXPECT_FALSE(controller.isRunning());
        EXPECT_FALSE(harness.source(round).isOpen);
        controller.finish(
            QuickDictationModel::Status::of(QuickDictationModel::Status::Kind::inserted),
            std::chrono::milliseconds(10));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.hud().isVisible(); }, 5000));
    }
}
