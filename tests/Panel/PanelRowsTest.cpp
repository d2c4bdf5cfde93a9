#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include "Design/ElidedLabel.h"
#include "Design/StyledButton.h"
#include "Panel/ActionRow.h"
#include "Panel/InstructionField.h"
#include "Panel/ModeSwitch.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Panel/SessionProviderChip.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;
using Mode = AssistantSession::Mode;

namespace {

class PanelRowsTest : public ::testing::Test {
protected:
    PanelRowsTest() { actions.setSession(&session); }
    ~PanelRowsTest() override { controller.hide(); }

    // The panel on screen with the keyboard in its instruction field.
    void showPanel() {
        controller.show(session, actions);
        clock.advance(1s);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&controller.panel()));
        edit = controller.view()->findChild<InstructionField*>()->lineEdit();
        ASSERT_TRUE(edit->hasFocus());
    }

    // A button answers its shortcut with a short animated click.
    void press(QKeyCombination key) {
        QTest::keyClick(edit, key.key(), key.keyboardModifiers());
        QTest::qWait(150);
    }

    Platform::FakeClock clock;
    Platform::FakeFloatingWindows windows;
    PanelController controller{{clock, windows, [] { return false; }}};
    RecordingPanelActions actions{clock};
    AssistantSession session{std::nullopt, std::nullopt, ProviderID::claudeCLI};
    QLineEdit* edit = nullptr;
};

TEST_F(PanelRowsTest, TheFinishedReplysShortcutsRunTheirOperationsOnlyWhileTheRowShows) {
    struct Case {
        const char* name;
        QKeyCombination key;
        QString whenDone;
    };
    const Case cases[] = {
        {"copy", Qt::CTRL | Qt::SHIFT | Qt::Key_C, QStringLiteral("copyDraft")},
        {"variant", Qt::CTRL | Qt::Key_R, QStringLiteral("regenerate")},
        {"insert", Qt::CTRL | Qt::Key_Return, QStringLiteral("insert")},
    };
    session.setDraft(QStringLiteral("Hallo"));
    session.setPhase(Phase::ready());
    showPanel();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.setPhase(Phase::ready());
        actions.calls.clear();
        press(c.key);
        EXPECT_TRUE(actions.calls.isEmpty()) << actions.calls.join(", ").toStdString();

        session.setPhase(Phase::done());
        actions.calls.clear();
        press(c.key);
        EXPECT_EQ(actions.calls, QStringList{c.whenDone});
    }
}

TEST_F(PanelRowsTest, TheModeSwitchSetsOnlyTheModeAndHighlightsExactlyOne) {
    ModeSwitch modes(session);
    int changes = 0;
    QObject::connect(&session, &AssistantSession::modeChanged, [&] { ++changes; });
    auto checked = [&] {
        QStringList names;
        for (ModeSwitch::Segment* segment : modes.segments())
            if (segment->isChecked())
                names << rawValue(segment->mode());
        return names;
    };
    ASSERT_EQ(checked(), QStringList{QStringLiteral("auto")});

    modes.segments().at(0)->click();  // already chosen
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(checked(), QStringList{QStringLiteral("auto")});
    modes.segments().at(2)->click();
    EXPECT_EQ(session.mode(), Mode::write);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(checked(), QStringList{QStringLiteral("write")});
    session.setMode(Mode::discuss);
    EXPECT_EQ(checked(), QStringList{QStringLiteral("discuss")});
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(PanelRowsTest, TheProviderChipSwitchesTheCurrentSessionWithoutAskingAgain) {
    SessionProviderChip chip(session, actions);
    int changes = 0;
    QObject::connect(&session, &AssistantSession::providerChanged, [&] { ++changes; });
    emit chip.selected(ProviderID::claudeCLI);
    EXPECT_EQ(changes, 0);
    emit chip.selected(ProviderID::codexCLI);
    EXPECT_EQ(session.provider(), ProviderID::codexCLI);
    EXPECT_EQ(chip.current(), ProviderID::codexCLI);
    actions.setSession(nullptr);
    emit chip.selected(ProviderID::claudeCLI);
    EXPECT_EQ(session.provider(), ProviderID::codexCLI);
    EXPECT_TRUE(actions.calls.isEmpty());
}

TEST_F(PanelRowsTest, TheScreenHintAsksForThePermissionOrStepsAsideForTheSession) {
    actions.screenCapture().granted = false;
    actions.permissions().refresh();
    PanelView view(session, actions);
    auto* hint = view.findChild<QWidget*>(QStringLiteral("screenHint"));
    ASSERT_TRUE(hint->isVisibleTo(&view));

    view.findChild<QAbstractButton*>(QStringLiteral("allowScreenRecording"))->click();
    EXPECT_EQ(actions.screenCapture().requests, 1);
    view.findChild<QAbstractButton*>(QStringLiteral("later"))->click();
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("dismissScreenHint")});
    // The application answers by marking the session; the hint stays away for it.
    session.setScreenHintDismissed(true);
    EXPECT_FALSE(hint->isVisibleTo(&view));
}

TEST_F(PanelRowsTest, SectionsFirstShownLongAfterTheViewShowTheStateOfThatMoment) {
    actions.settingsStore().update([](AssistantSettings& s) { s.includeScreenshot = true; });
    PanelView view(session, actions);
    ASSERT_EQ(view.findChild<QAbstractButton*>(QStringLiteral("later")), nullptr);

    // The permission goes while the panel shows: the hint comes, and its buttons work.
    actions.screenCapture().granted = false;
    actions.permissions().refresh();
    ASSERT_TRUE(view.findChild<QWidget*>(QStringLiteral("screenHint"))->isVisibleTo(&view));
    view.findChild<QAbstractButton*>(QStringLiteral("later"))->click();
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("dismissScreenHint")});

    // The request fails after the instruction went out: the footer names that instruction.
    session.setSentInstruction(QStringLiteral("Antworte kurz"));
    session.setPhase(Phase::streaming());
    session.setPhase(Phase::failed(AssistantProblem::offline()));
    auto* footer = view.findChild<QWidget*>(QStringLiteral("failedFooter"));
    ASSERT_TRUE(footer->isVisibleTo(&view));
    auto* sent = footer->findChild<ElidedLabel*>(QStringLiteral("failedInstruction"));
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->text(), PanelView::quoted(QStringLiteral("Antworte kurz")));
    EXPECT_TRUE(sent->isVisibleTo(&view));
}

}  // namespace
