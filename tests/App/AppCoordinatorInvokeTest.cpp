#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AI/QuoteExtractor.h"
#include "App/CoordinatorHarness.h"
#include "Output/DocumentStore.h"

namespace {

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;

Project project(const QString& name, const QStringList& keywords) {
    Project p;
    p.name = name;
    p.keywords = keywords;
    return p;
}

const QString quoteAnswer = QStringLiteral(
    R"({"author": "Jonas", "message": "Kommst du morgen zur Tavrin-Runde?", "language": "de"})");

TEST(AppCoordinatorInvokeTest, SideTasksCompleteTheContextAfterThePanelShows) {
    CoordinatorHarness h(
        [](AssistantSettings& s) { s.projects = {project("Tavrin", {"tavrin-runde"})}; });
    AssistantSession& session = h.open();
    EXPECT_EQ(h.panel.shows, 1);
    EXPECT_TRUE(session.isCapturing());
    EXPECT_TRUE(session.isReadingQuote());
    EXPECT_TRUE(h.provider.calls.empty()) << "quote and thread wait for the picture";

    h.context.answerScreenshots();
    EXPECT_FALSE(session.isCapturing());
    ASSERT_TRUE(session.context()->screenshotJPEG);
    ASSERT_EQ(h.provider.calls.size(), 2u);
    EXPECT_EQ(h.provider.at(0).request,
              *QuoteExtractor::extractionRequest(*session.context(), ProviderID::claudeCLI));
    EXPECT_EQ(h.provider.at(1).request,
              *QuoteExtractor::threadRequest(*session.context(), ProviderID::claudeCLI));

    h.provider.feed({quoteAnswer}, 0);
    h.provider.finish(0);
    ASSERT_TRUE(session.quote());
    EXPECT_EQ(session.quote()->author, QStringLiteral("Jonas"));
    EXPECT_FALSE(session.isReadingQuote());
    ASSERT_TRUE(session.project()) << "the quote names the project";
    EXPECT_EQ(session.project()->name, QStringLiteral("Tavrin"));

    h.provider.feed({R"([{"a":"Anna","m":"Wer kommt?"}])"}, 1);
    h.provider.finish(1);
    ASSERT_EQ(session.thread().size(), 1);
    EXPECT_EQ(session.thread()[0].text, QStringLiteral("Wer kommt?"));
}

TEST(AppCoordinatorInvokeTest, WhatTheSideTasksDoDependsOnTheSnapshot) {
    struct Case {
        const char* name;
        std::optional<QString> bundle;
        std::optional<QString> selection;
        bool screenshots;
        bool capture;
        bool readsQuote;
    };
    const Case cases[] = {
        {"a mail program", "org.example.Mail", {}, true, true, true},
        {"no bundle identifier", std::nullopt, {}, true, true, true},
        {"a terminal", "org.gnome.Terminal", {}, true, true, false},
        {"a JetBrains IDE", "com.jetbrains.intellij", {}, true, true, false},
        {"a selection is the quote", "org.example.Mail", "Bis morgen?", true, true, false},
        {"a blank selection is none", "org.example.Mail", " \n ", true, true, true},
        {"screenshots off", "org.example.Mail", {}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([&](AssistantSettings& s) { s.includeScreenshot = c.screenshots; });
        h.context.snapshot.bundleID = c.bundle;
        h.context.snapshot.selectedText = c.selection;
        AssistantSession& session = h.open();
        EXPECT_EQ(h.context.screenshots.size(), c.capture ? 1u : 0u);
        EXPECT_EQ(session.isReadingQuote(), c.readsQuote);
        h.context.answerScreenshots();
        EXPECT_EQ(h.provider.calls.size(), c.readsQuote ? 2u : 0u);
        EXPECT_EQ(session.quote().has_value(),
                  c.selection.has_value() && !c.selection->trimmed().isEmpty());
    }
}

TEST(AppCoordinatorInvokeTest, ALongSelectionIsCutForTheQuote) {
    CoordinatorHarness h;
    h.context.snapshot.selectedText = QString(4100, u'a');
    AssistantSession& session = h.open();
    ASSERT_TRUE(session.quote());
    EXPECT_EQ(session.quote()->text.size(), 4000);
    EXPECT_TRUE(session.quote()->isSelection);
}

TEST(AppCoordinatorInvokeTest, CodexAsksForTheThreadWithoutAModel) {
    CoordinatorHarness h([](AssistantSettings& s) { s.provider = ProviderID::codexCLI; });
    h.open();
    h.context.answerScreenshots();
    ASSERT_EQ(h.provider.calls.size(), 2u);
    EXPECT_FALSE(h.provider.at(1).request.model);
    EXPECT_EQ(h.provider.at(1).provider, ProviderID::codexCLI);
}

TEST(AppCoordinatorInvokeTest, AProjectChosenByHandStays) {
    CoordinatorHarness h(
        [](AssistantSettings& s) { s.projects = {project("Tavrin", {"tavrin-runde"})}; });
    AssistantSession& session = h.open();
    h.coordinator->chooseProject(std::nullopt);
    h.context.answerScreenshots();
    h.provider.feed({quoteAnswer}, 0);
    h.provider.finish(0);
    EXPECT_FALSE(session.project());
}

TEST(AppCoordinatorInvokeTest, TheQuotePlaceholderGivesWayAfterFourSeconds) {
    CoordinatorHarness h;
    AssistantSession& session = h.open();
    h.clock.advance(3900ms);
    EXPECT_FALSE(session.quotePlaceholderHidden());
    h.clock.advance(100ms);
    EXPECT_TRUE(session.quotePlaceholderHidden());
}

TEST(AppCoordinatorInvokeTest, DismissalStopsEverySideTaskAndWritesNothingMore) {
    CoordinatorHarness h;
    QPointer<AssistantSession> session = &h.open();
    h.context.answerScreenshots();
    ASSERT_EQ(h.provider.calls.size(), 2u);

    h.coordinator->dismiss();
    EXPECT_TRUE(*h.provider.at(0).cancelled) << "the quote's tool run ends";
    EXPECT_TRUE(*h.provider.at(1).cancelled) << "the thread's tool run ends";
    EXPECT_EQ(h.coordinator->session(), nullptr);
    EXPECT_EQ(h.panel.hides, 1);
    ASSERT_TRUE(session) << "the closed session outlives its fading view";
    EXPECT_TRUE(session->isReadingQuote());
    EXPECT_FALSE(session->quote());
}

TEST(AppCoordinatorInvokeTest, DismissalDuringThePictureDropsIt) {
    CoordinatorHarness h;
    h.open();
    h.coordinator->dismiss();
    EXPECT_EQ(h.context.alive(h.context.screenshots), 0);
    h.context.answerScreenshots();
    EXPECT_TRUE(h.provider.calls.empty());
}

TEST(AppCoordinatorInvokeTest, ANewInvocationStopsTheWorkOfTheSessionItReplaces) {
    CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
    QPointer<AssistantSession> first = &h.open();
    h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
    ASSERT_EQ(h.provider.calls.size(), 1u);

    h.panel.shown = false;
    AssistantSession& second = h.open();
    EXPECT_NE(&second, first.data());
    EXPECT_TRUE(*h.provider.at(0).cancelled);
    EXPECT_EQ(h.panel.hides, 0) << "replacing is not closing";
    ASSERT_TRUE(first);
    EXPECT_EQ(first->phase(), Phase::streaming()) << "the old session is left as it was";
    EXPECT_TRUE(h.memory.data().activity.isEmpty()) << "replacing records nothing";
}

TEST(AppCoordinatorInvokeTest, DismissalRecordsWhatWasViewed) {
    struct Case {
        const char* name;
        MemoryRetention retention;
        bool context;
        int entries;
    };
    const Case cases[] = {
        {"recorded", MemoryRetention::today, true, 1},
        {"activity memory off", MemoryRetention::off, true, 0},
        {"opened over nothing", MemoryRetention::today, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([&](AssistantSettings& s) {
            s.activityMemory = c.retention;
            s.includeScreenshot = false;
        });
        h.context.hasSnapshot = c.context;
        h.open();
        h.coordinator->dismiss();
        ASSERT_EQ(h.memory.data().activity.size(), c.entries);
        if (c.entries) {
            EXPECT_EQ(h.memory.data().activity[0].text, QStringLiteral("Viewed: Posteingang"));
            EXPECT_EQ(h.memory.data().activity[0].kind, MemoryEntry::Kind::viewed);
        }
    }
}

TEST(AppCoordinatorInvokeTest, TheRequestWaitsBrieflyForTheQuote) {
    CoordinatorHarness h;
    AssistantSession& session = h.open();
    h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
    EXPECT_EQ(session.waitStage(), AssistantSession::WaitStage::capturing);
    h.context.answerScreenshots();
    EXPECT_EQ(session.waitStage(), AssistantSession::WaitStage::connecting);
    EXPECT_EQ(h.provider.calls.size(), 2u) << "quote and thread only";
    h.clock.advance(399ms);
    EXPECT_EQ(h.provider.calls.size(), 2u);
    h.clock.advance(1ms);
    ASSERT_EQ(h.provider.calls.size(), 3u) << "the request goes out without the quote";
    EXPECT_FALSE(*h.provider.at(0).cancelled) << "the quote goes on";
    h.provider.feed({quoteAnswer}, 0);
    h.provider.finish(0);
    EXPECT_TRUE(session.quote());
}

TEST(AppCoordinatorInvokeTest, AQuoteThatArrivesInTimeGoesIntoTheRequest) {
    CoordinatorHarness h;
    h.open();
    h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
    h.context.answerScreenshots();
    h.provider.feed({quoteAnswer}, 0);
    h.provider.finish(0);
    ASSERT_EQ(h.provider.calls.size(), 3u);
    EXPECT_TRUE(h.provider.at(2).request.user.contains(QStringLiteral("Tavrin-Runde")));
    EXPECT_TRUE(h.provider.at(2).request.imageJPEG);
}

// A busy browser's rich-text editor gives its words after the panel opened: the request waits
// for them (or for the field read's end) and carries those that came.
TEST(AppCoordinatorInvokeTest, AFieldsWordsThatComeAfterThePanelGoIntoTheRequest) {
    const QString words = QStringLiteral("Liebe Jana,\nHallo Welt und danke.");
    const struct {
        const char* name;
        bool screenshots;
        // The words come before the window picture.
        bool wordsFirst;
        std::optional<QString> words;
    } cases[] = {
        {"the words before the picture", true, true, words},
        {"the words after the picture", true, false, words},
        {"no words in time", true, false, std::nullopt},
        {"without pictures", false, true, words},
    };
    for (const auto& c : cases) {
        CoordinatorHarness h([&c](AssistantSettings& s) { s.includeScreenshot = c.screenshots; });
        h.context.snapshot.fieldEditable = true;
        h.context.snapshot.fieldTextPending = true;
        h.context.snapshot.selectedText = QStringLiteral("Welt");
        AssistantSession& session = h.open();
        EXPECT_EQ(h.panel.shows, 1) << c.name;
        ASSERT_EQ(h.context.alive(h.context.fieldTexts), 1) << c.name;
        h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
        if (c.wordsFirst)
            h.context.answerFieldTexts(c.words);
        if (c.screenshots)
            h.context.answerScreenshots();
        if (!c.wordsFirst) {
            EXPECT_TRUE(h.provider.calls.empty())
                << c.name << ": the request left before the words";
            h.context.answerFieldTexts(c.words);
        }
        ASSERT_EQ(h.provider.calls.size(), 1u) << c.name;
        const QString user = h.provider.at(0).request.user;
        EXPECT_EQ(user.contains(QStringLiteral("Hallo Welt und danke.")), c.words.has_value())
            << c.name << "\n"
            << user.toStdString();
        EXPECT_EQ(session.context()->fieldValue, c.words) << c.name;
        EXPECT_FALSE(session.context()->fieldTextPending) << c.name;
        EXPECT_EQ(session.context()->screenshotJPEG.has_value(), c.screenshots) << c.name;
    }
}

TEST(AppCoordinatorInvokeTest, ARequestForTheWholePageReadsItOnce) {
    CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
    AssistantSession& session = h.open();
    h.coordinator->send(QStringLiteral("Fass die ganze Seite zusammen"), std::nullopt, false);
    ASSERT_EQ(h.context.pages.size(), 1u);
    EXPECT_EQ(session.activity(), QStringLiteral("Liest die ganze Seite …"));
    EXPECT_TRUE(h.provider.calls.empty());
    h.context.pages[0].done(QStringLiteral("Seitentext"));
    EXPECT_EQ(session.pageText(), QStringLiteral("Seitentext"));
    EXPECT_FALSE(session.activity());
    ASSERT_EQ(h.provider.calls.size(), 1u);

    // Stopped while the page is read: the late text is not written.
    h.provider.finish();
    session.setPageText(std::nullopt);
    h.coordinator->send(QStringLiteral("Nochmal die ganze Seite"), std::nullopt, false);
    h.coordinator->stopGenerating();
    EXPECT_EQ(h.context.alive(h.context.pages), 0);
}

TEST(AppCoordinatorStartTest, WhatTheUserSeesFirst) {
    struct Case {
        const char* name;
        bool onboarded;
        bool accessibility;
        bool microphone;
        int onboarding;
        int permissions;
    };
    const Case cases[] = {
        {"first run", false, false, false, 1, 0},
        {"accessibility off", true, false, true, 0, 1},
        {"all granted, microphone missing", true, true, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([&](AssistantSettings& s) { s.onboardingCompleted = c.onboarded; });
        h.trust.trusted = c.accessibility;
        if (!c.microphone)
            h.microphone.current = Platform::AuthorizationStatus::denied;
        h.make().start();
        EXPECT_EQ(h.onboardingShown, c.onboarding);
        EXPECT_EQ(h.permissionSettingsShown, c.permissions);
        EXPECT_EQ(h.searchPathWarmups, 1);
        EXPECT_NE(h.providers.state(ProviderID::claudeCLI).kind,
                  ProviderStatusStore::State::Kind::unknown);
    }
}

TEST(AppCoordinatorStartTest, StartDeletesDocumentsOlderThanTwoWeeks) {
    CoordinatorHarness h;
    const QString folder = DocumentStore::folder();
    ASSERT_FALSE(folder.isEmpty());
    const auto write = [&](const char* name, int daysOld) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# x\n");
        file.flush();
        file.setFileTime(h.clock.now().addDays(-daysOld), QFileDevice::FileModificationTime);
    };
    write("old.md", 15);
    write("recent.md", 13);
    h.make().start();
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/old.md")));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/recent.md")));
}

TEST(AppCoordinatorStartTest, ReopeningClosesThePanelAndShowsTheWindowThatFits) {
    CoordinatorHarness h;
    h.make().start();
    h.open();
    h.coordinator->reopen();
    EXPECT_EQ(h.panel.hides, 1);
    EXPECT_EQ(h.settingsShown, 1);

    CoordinatorHarness fresh([](AssistantSettings& s) { s.onboardingCompleted = false; });
    fresh.make().start();
    fresh.coordinator->reopen();
    EXPECT_EQ(fresh.onboardingShown, 2);
    EXPECT_EQ(fresh.settingsShown, 0);
}

// A second start that comes in while this one is still starting up (twice, say) is answered
// once the start is done, and once.
TEST(AppCoordinatorStartTest, AReopenBeforeTheStartIsAnsweredAfterIt) {
    struct Case {
        const char* name;
        bool onboarded;
        bool accessibility;
        int onboarding;
        int permissions;
        int settings;
    };
    const Case cases[] = {
        {"first run", false, true, 1, 0, 0},
        {"set up", true, true, 0, 0, 1},
        {"accessibility off", true, false, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([&](AssistantSettings& s) { s.onboardingCompleted = c.onboarded; });
        h.trust.trusted = c.accessibility;
        AppCoordinator& app = h.make();
        app.reopen();
        app.reopen();
        EXPECT_EQ(h.onboardingShown + h.permissionSettingsShown + h.settingsShown, 0)
            << "a window before the start";
        app.start();
        EXPECT_EQ(h.onboardingShown, c.onboarding);
        EXPECT_EQ(h.permissionSettingsShown, c.permissions);
        EXPECT_EQ(h.settingsShown, c.settings);
    }
}

TEST(AppCoordinatorStartTest, FinishingOnboardingWritesOnlyItsFlag) {
    CoordinatorHarness h([](AssistantSettings& s) { s.onboardingCompleted = false; });
    AppCoordinator& app = h.make();
    h.settings.update([](AssistantSettings& s) { s.replyLanguage = QStringLiteral("Deutsch"); });
    app.finishOnboarding();
    EXPECT_TRUE(h.settings.settings().onboardingCompleted);
    EXPECT_EQ(h.settings.settings().replyLanguage, QStringLiteral("Deutsch"));
}

}  // namespace
