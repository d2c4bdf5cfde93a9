#include <gtest/gtest.h>

#include <QLocale>
#include <QTest>

#include "Platform/fake/FakeClock.h"
#include "Settings/AssistantSettings.h"
#include "Voice/DictationFactory.h"
#include "Voice/QuickDictationController.h"

using namespace std::chrono_literals;
using Status = QuickDictationModel::Status;
using Kind = Status::Kind;

namespace {

// What the engines the controller built were asked to do.
struct EngineLog {
    int built = 0;
    int starts = 0;
    int stops = 0;
    int cancels = 0;
    int alive = 0;
    QStringList languages;
    DictationService* current = nullptr;
    DictationService::StartDone startDone;
    DictationService::StopDone stopDone;
};

class FakeEngine final : public DictationService {
public:
    explicit FakeEngine(EngineLog& log) : log_(log) {
        ++log_.alive;
        log_.current = this;
    }
    ~FakeEngine() override {
        --log_.alive;
        if (log_.current == this)
            log_.current = nullptr;
    }
    void start(StartDone done) override {
        ++log_.starts;
        log_.startDone = std::move(done);
    }
    void stop(StopDone done) override {
        ++log_.stops;
        log_.stopDone = std::move(done);
    }
    void cancel() override { ++log_.cancels; }

private:
    EngineLog& log_;
};

struct Fixture {
    Fixture()
        : controller(
              [this](const QString& language) {
                  ++log.built;
                  log.languages << language;
                  return std::make_unique<FakeEngine>(log);
              },
              clock) {}

    // Runs finish() and records its answer.
    void finish() {
        finished.reset();
        controller.finish([this](const QString& text) { finished = text; });
    }
    void settle() { QTest::qWait(1); }

    AssistantSettings settings;
    EngineLog log;
    Platform::FakeClock clock;
    QuickDictationController controller;
    std::optional<QString> finished;
};

}  // namespace

TEST(QuickDictationControllerTest, PrepareRefusesWhileRunningOrSwitchedOff) {
    Fixture f;
    f.controller.model().setStatus(Status::of(Kind::inserted));
    f.settings.dictationEnabled = false;
    EXPECT_FALSE(f.controller.prepare(f.settings, false));
    // Refused before anything was reset.
    EXPECT_EQ(f.controller.model().status(), Status::of(Kind::inserted));

    f.settings.dictationEnabled = true;
    f.settings.dictationLanguage = "de-DE";
    EXPECT_TRUE(f.controller.prepare(f.settings, true));
    EXPECT_EQ(f.controller.model().status(), Status::of(Kind::listening));
    EXPECT_TRUE(f.controller.model().verbatim());
    f.controller.model().setConfirmed("hallo");
    EXPECT_FALSE(f.controller.prepare(f.settings, false));
    EXPECT_EQ(f.log.built, 1);
    EXPECT_EQ(f.log.languages, QStringList{"de-DE"});
    EXPECT_EQ(f.controller.model().confirmed(), "hallo");
    EXPECT_TRUE(f.controller.model().verbatim());
}

TEST(QuickDictationControllerTest, FinishWaitsForTheStartThenStops) {
    const struct {
        const char* name;
        std::optional<QString> startError;
        QString stopText;
        Status status;
    } rows[] = {
        {"started", std::nullopt, "hallo welt", Status::of(Kind::listening)},
        {"failed to start", QString("Mikrofon und Spracherkennung müssen erlaubt sein."), "",
         Status::failed("Mikrofon und Spracherkennung müssen erlaubt sein.")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        ASSERT_TRUE(f.controller.prepare(f.settings, false));
        f.finish();
        EXPECT_EQ(f.log.stops, 0);
        f.log.startDone(row.startError);
        EXPECT_EQ(f.controller.model().status(), row.status);
        ASSERT_EQ(f.log.stops, 1);
        EXPECT_FALSE(f.finished);
        f.log.stopDone(row.stopText);
        EXPECT_EQ(f.finished, row.stopText);
        EXPECT_FALSE(f.controller.isRunning());
        f.settle();
        EXPECT_EQ(f.log.alive, 0);
    }
}

TEST(QuickDictationControllerTest, FinishWithoutADictationAnswersAtOnce) {
    Fixture f;
    f.finish();
    EXPECT_EQ(f.finished, QString());
}

TEST(QuickDictationControllerTest, AStalledStartIsCalledOffAfterFiveSeconds) {
    Fixture f;
    ASSERT_TRUE(f.controller.prepare(f.settings, false));
    f.finish();
    f.clock.advance(4999ms);
    EXPECT_FALSE(f.finished);
    f.clock.advance(1ms);
    EXPECT_EQ(f.finished, QString());
    EXPECT_EQ(f.log.cancels, 1);
    EXPECT_EQ(f.log.stops, 0);
    EXPECT_FALSE(f.controller.isRunning());
    // A start that answers after all changes nothing any more.
    const Status before = f.controller.model().status();
    f.log.startDone(QString("zu spät"));
    EXPECT_EQ(f.controller.model().status(), before);
    // And the next dictation may begin.
    EXPECT_TRUE(f.controller.prepare(f.settings, false));
}

TEST(QuickDictationControllerTest, EngineCallbacksFeedTheModelOfTheirOwnDictationOnly) {
    Fixture f;
    ASSERT_TRUE(f.controller.prepare(f.settings, false));
    DictationService* first = f.log.current;
    f.log.startDone(std::nullopt);
    first->onPartial("go ", "forward");
    for (int i = 1; i <= 20; ++i)
        first->onLevel(i / 20.0f);
    EXPECT_EQ(f.controller.model().confirmed(), "go ");
    EXPECT_EQ(f.controller.model().tentative(), "forward");
    QVector<float> last14;
    for (int i = 7; i <= 20; ++i)
        last14 << i / 20.0f;
    EXPECT_EQ(f.controller.model().levels(), last14);
    first->onError("Ton weg");
    EXPECT_EQ(f.controller.model().status(), Status::failed("Ton weg"));

    auto onPartial = first->onPartial;
    f.controller.cancel();
    EXPECT_EQ(f.log.cancels, 1);
    ASSERT_TRUE(f.controller.prepare(f.settings, false));
    // The cancelled engine's late words do not reach the new dictation.
    onPartial("alt", "");
    EXPECT_EQ(f.controller.model().confirmed(), "");
    EXPECT_EQ(f.controller.model().levels(), QVector<float>(14, 0.0f));
}

TEST(QuickDictationControllerTest, AnEarlierDictationsHideTimerLeavesTheNextDisplayUp) {
    Fixture f;
    const QRectF field(100, 100, 200, 30);
    const auto dictate = [&](const QString& text) {
        EXPECT_TRUE(f.controller.prepare(f.settings, false));
        f.controller.hud().show(field);
        f.log.startDone(std::nullopt);
        f.finish();
        f.log.stopDone(text);
    };
    dictate("erste");
    f.controller.finish(Status::of(Kind::inserted), 700ms);
    f.clock.advance(300ms);
    dictate("zweite");
    f.controller.finish(Status::transforming("Formatiert …"), 2500ms);
    // The first dictation's timer falls due while the second one is still on screen.
    f.clock.advance(400ms);
    EXPECT_TRUE(f.controller.hud().isVisible());
    EXPECT_EQ(f.controller.model().status(), Status::transforming("Formatiert …"));
    f.clock.advance(2100ms);
    EXPECT_FALSE(f.controller.hud().isVisible());
}

TEST(QuickDictationControllerTest, CancelHidesTheDisplayAndAnswersAWaitingFinish) {
    Fixture f;
    ASSERT_TRUE(f.controller.prepare(f.settings, false));
    f.controller.hud().show(QRectF(10, 10, 100, 20));
    EXPECT_TRUE(f.controller.hud().isVisible());
    f.finish();
    f.controller.cancel();
    EXPECT_EQ(f.finished, QString());
    EXPECT_FALSE(f.controller.hud().isVisible());
    EXPECT_FALSE(f.controller.isRunning());
    f.settle();
    EXPECT_EQ(f.log.alive, 0);
}

TEST(QuickDictationControllerTest, DictationLanguageSetting) {
    const QLocale before;
    QLocale::setDefault(QLocale("it_IT"));
    EXPECT_EQ(DictationFactory::locale("auto"), "it_IT");
    // Only exactly "auto" means the user's locale.
    EXPECT_EQ(DictationFactory::locale("Auto"), "Auto");
    EXPECT_EQ(DictationFactory::locale("de-DE"), "de-DE");
    QLocale::setDefault(before);
}
