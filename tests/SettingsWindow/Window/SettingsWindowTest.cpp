#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>

#include "Design/StyledButton.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/AISettings.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"
#include "SettingsWindow/Tabs/ProviderRow.h"
#include "SettingsWindow/Window/SettingsSidebar.h"
#include "SettingsWindow/Window/SettingsView.h"
#include "SettingsWindow/Window/SettingsWindowController.h"
#include "SettingsWindow/Window/SidebarRow.h"
#include "support/CutTexts.h"

using namespace std::chrono_literals;

namespace {

// Settings that differ from the defaults in many fields, some with values no control
// offers, as a user's file after a while looks.
const QByteArray lived = R"({
    "claudeModel": "claude-sonnet-custom",
    "claudePath": "/nonexistent/claude",
    "codexPath": "/nonexistent/codex",
    "dictationEnabled": false,
    "dictationLanguage": "fr-FR",
    "knowledge": "Ich arbeite an Tavrin.",
    "provider": "codexCLI",
    "codexModel": "gpt-5",
    "pushToTalkKey": "rightOption",
    "replyLanguage": "Klingonisch",
    "sendAfterInsert": true,
    "showMenuBarIcon": false
})";

// Lets queued deliveries and deferred deletions happen.
void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// One notch of the wheel over the middle of `widget`, as the mouse sends it.
void turnWheel(QWidget* widget, int notches) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(SettingsWindowTest, ShowBuildsOneWindowThatKeepsItsTabAcrossClosing) {
    FakeSettingsCoordinator coordinator(lived);
    SettingsWindowController controller(coordinator);
    EXPECT_EQ(controller.window(), nullptr);

    controller.show();
    SettingsView* first = controller.window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_GE(first->width(), 780);
    EXPECT_GE(first->height(), 600);
    EXPECT_EQ(first->windowTitle(), "Einstellungen");

    controller.show();
    EXPECT_EQ(controller.window(), first);

    coordinator.setSettingsTab(SettingsTab::voice);
    first->move(40, 30);
    const QPoint place = first->pos();
    first->close();
    settle();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(controller.window(), first) << "closing only hides the window";

    controller.show();
    EXPECT_EQ(controller.window(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->pos(), place);
    EXPECT_EQ(first->detailTitle(), "Spracheingabe");
}

TEST(SettingsWindowTest, TheTabSetFromOutsideShowsAtOnceInTitleAndSidebar) {
    FakeSettingsCoordinator coordinator(lived);
    SettingsWindowController controller(coordinator);
    controller.show();
    SettingsView* view = controller.window();
    EXPECT_EQ(view->detailTitle(), "Allgemein");

    const struct {
        SettingsTab tab;
        const char* title;
    } cases[] = {{SettingsTab::permissions, "Berechtigungen"},
                 {SettingsTab::ai, "KI"},
                 {SettingsTab::knowledge, "Über mich & Wissen"},
                 {SettingsTab::general, "Allgemein"}};
    for (const auto& c : cases) {
        coordinator.setSettingsTab(c.tab);
        EXPECT_EQ(view->detailTitle(), c.title);
        for (const SettingsTab tab : allSettingsTabs())
            EXPECT_EQ(view->sidebar()->row(tab)->isSelected(), tab == c.tab) << c.title;
    }
}

TEST(SettingsWindowTest, ClickingARowSelectsItsTabAndTheSelectedRowChangesNothing) {
    FakeSettingsCoordinator coordinator(lived);
    SettingsWindowController controller(coordinator);
    controller.show();
    int changes = 0;
    QObject::connect(&coordinator, &SettingsCoordinator::settingsTabChanged, [&] { ++changes; });
    SettingsSidebar* sidebar = controller.window()->sidebar();

    QTest::mouseClick(sidebar->row(SettingsTab::ai), Qt::LeftButton);
    EXPECT_EQ(coordinator.settingsTab(), SettingsTab::ai);
    QWidget* content = controller.window()->content();
    QTest::mouseClick(sidebar->row(SettingsTab::ai), Qt::LeftButton);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(controller.window()->content(), content) << "the tab is not rebuilt";
}

// Controls that show a stored value must not write it back: opening a tab (and closing the
// window) leaves the file as it was, byte for byte.
TEST(SettingsWindowTest, OpeningEveryTabLeavesSettingsFileUntouched) {
    for (const std::optional<QByteArray>& file :
         {std::optional<QByteArray>(lived), std::optional<QByteArray>(QByteArray("{}"))}) {
        FakeSettingsCoordinator coordinator(file);
        const QByteArray before = coordinator.settingsFile();
        SettingsWindowController controller(coordinator);
        controller.show();
        for (const SettingsTab tab : allSettingsTabs()) {
            coordinator.setSettingsTab(tab);
            settle();
            EXPECT_EQ(coordinator.settingsFile(), before) << rawValue(tab).toStdString();
        }
        controller.window()->close();
        settle();
        EXPECT_EQ(coordinator.settingsFile(), before);
        EXPECT_TRUE(coordinator.log.lines.isEmpty());
    }
}

TEST(SettingsWindowTest, TabRawValuesAreExact) {
    const struct {
        const char* raw;
        std::optional<SettingsTab> tab;
    } cases[] = {{"general", SettingsTab::general},
                 {"permissions", SettingsTab::permissions},
                 {"General", std::nullopt},
                 {"", std::nullopt},
                 {" ai", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(settingsTabFromRaw(QString::fromUtf8(c.raw)), c.tab) << c.raw;
    for (const SettingsTab tab : allSettingsTabs())
        EXPECT_EQ(settingsTabFromRaw(rawValue(tab)), tab);
}

TEST(SettingsWindowTest, LeavingTheTabStopsTheRunningTest) {
    FakeSettingsCoordinator coordinator;
    coordinator.tool.keepOpen = true;
    coordinator.setSettingsTab(SettingsTab::ai);
    SettingsWindowController controller(coordinator);
    controller.show();
    auto* ai = qobject_cast<AISettings*>(controller.window()->content());
    ASSERT_NE(ai, nullptr);
    ai->testButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator.requests.size() == 1; }, 10000));
    settle();
    ASSERT_TRUE(ai->connectionTest().isRunning());

    coordinator.setSettingsTab(SettingsTab::general);
    settle();
    EXPECT_EQ(*coordinator.tool.cancellations, 1);
    // Nothing of the old tab is left to fire.
    coordinator.clock_.advance(2min);
    settle();
    EXPECT_EQ(coordinator.clock_.pendingTimers(), 0);
}

TEST(SettingsWindowTest, PermissionsAreReadOnlyWhileTheirTabShows) {
    const struct {
        const char* name;
        std::function<void(SettingsView&, FakeSettingsCoordinator&)> leave;
    } cases[] = {
        {"closed", [](SettingsView& window, FakeSettingsCoordinator&) { window.close(); }},
        {"minimised",
         [](SettingsView& window, FakeSettingsCoordinator&) { window.showMinimized(); }},
        {"another tab",
         [](SettingsView&, FakeSettingsCoordinator& coordinator) {
             coordinator.setSettingsTab(SettingsTab::general);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        coordinator.setSettingsTab(SettingsTab::permissions);
        SettingsWindowController controller(coordinator);
        controller.show();
        settle();
        coordinator.clock_.advance(2s);
        ASSERT_GE(coordinator.trust.checks, 3);

        c.leave(*controller.window(), coordinator);
        settle();
        const int checks = coordinator.trust.checks;
        coordinator.clock_.advance(1min);
        settle();
        EXPECT_EQ(coordinator.trust.checks, checks);
        EXPECT_EQ(coordinator.clock_.pendingTimers(), 0);

        // Shown again, the tab reads the system at once.
        coordinator.setSettingsTab(SettingsTab::permissions);
        controller.show();
        controller.window()->showNormal();
        settle();
        EXPECT_GT(coordinator.trust.checks, checks);
    }
}

// Scrolling down a tab passes the wheel over its pickers and every other control: none of it
// is a choice. A retention shortened by the wheel would prune the activity the next time the
// tab shows, so memory.json is checked after a second round through the tabs.
TEST(SettingsWindowTest, TheWheelOverAnyControlChangesNoSetting) {
    // Activity is kept for a week, so that yesterday's entries stay unless a shorter
    // retention were chosen.
    QByteArray livedForAWeek = lived;
    livedForAWeek.replace("{\n", "{\n    \"activityMemory\": \"week\",\n");
    for (const QByteArray& file : {livedForAWeek, QByteArray(R"({"activityMemory": "week"})")}) {
        SCOPED_TRACE(file.left(40).toStdString());
        FakeSettingsCoordinator coordinator(file);
        const QDateTime yesterday = coordinator.clock().now().addDays(-1);
        MemoryStore::Data data;
        for (int i = 0; i < 5; ++i) {
            MemoryEntry entry;
            entry.id = QUuid::createUuid();
            entry.date = yesterday.addSecs(i * 60);
            entry.text = QStringLiteral("Eintrag %1").arg(i);
            entry.kind = MemoryEntry::Kind::wrote;
            data.activity.append(entry);
        }
        coordinator.memory().setData(data);
        coordinator.memory().save();
        coordinator.memory().flush();
        const QByteArray settingsBefore = coordinator.settingsFile();
        const QByteArray memoryBefore = contents(coordinator.memory().fileURL());
        ASSERT_FALSE(memoryBefore.isEmpty());

        SettingsWindowController controller(coordinator);
        controller.show();
        int pickers = 0;
        for (const SettingsTab tab : allSettingsTabs()) {
            coordinator.setSettingsTab(tab);
            settle();
            pickers += int(controller.window()->content()->findChildren<ValuePicker*>().size());
            for (QWidget* each : controller.window()->content()->findChildren<QWidget*>()) {
                if (!each->isVisible())
                    continue;
                turnWheel(each, 1);
                turnWheel(each, -1);
                turnWheel(each, -1);
            }
            settle();
            EXPECT_EQ(coordinator.settingsFile().toStdString(), settingsBefore.toStdString())
                << rawValue(tab).toStdString();
        }
        EXPECT_GE(pickers, 4);
        for (const SettingsTab tab : allSettingsTabs()) {
            coordinator.setSettingsTab(tab);
            settle();
        }
        coordinator.memory().flush();
        EXPECT_EQ(coordinator.settingsFile().toStdString(), settingsBefore.toStdString());
        EXPECT_EQ(contents(coordinator.memory().fileURL()).toStdString(),
                  memoryBefore.toStdString());
        EXPECT_EQ(coordinator.memory().data().activity.size(), 5);
    }
}

// At the window's first size, a failure message or a row of buttons beside a tool never cuts
// its name or its state: the message wraps, and the controls go under the name where both do
// not fit side by side.
TEST(SettingsWindowTest, ProviderNamesAndStatesStayWholeBesideAMessage) {
    using Phase = ProviderSetup::Phase;
    using State = ProviderStatusStore::State;
    const Phase installFailed = Phase::failed(
        "Claude Code konnte nicht installiert werden. curl: (6) Could not resolve host: claude.ai");
    State elsewhere = State::ready(QStringLiteral("tester@example.org · Max"));
    elsewhere.unusedPath = QStringLiteral("~/bin/claude");
    elsewhere.program = QStringLiteral("/usr/local/bin/claude");
    const struct {
        const char* name;
        Phase phase;
        State state;
    } cases[] = {
        {"install failed", installFailed, State::notFound()},
        {"install failed, signed in meanwhile", installFailed,
         State::ready(QStringLiteral("tester@example.org · Max"))},
        {"found away from its path", installFailed, elsewhere},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        coordinator.setSettingsTab(SettingsTab::ai);
        coordinator.setup.set(ProviderID::claudeCLI, c.phase, c.state);
        SettingsWindowController controller(coordinator);
        controller.show();
        for (int pass = 0; pass < 8; ++pass)
            QCoreApplication::processEvents();
        auto* ai = qobject_cast<AISettings*>(controller.window()->content());
        ASSERT_NE(ai, nullptr);
        EXPECT_EQ(cutTexts(*ai->providerRow(ProviderID::claudeCLI)).join(" | ").toStdString(), "");
    }
}
