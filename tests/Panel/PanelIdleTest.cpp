#include <gtest/gtest.h>

#include <QCoreApplication>
#include <functional>

#include "Design/Theme.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;

namespace {

ConversationTurn draftTurn() {
    ConversationTurn turn;
    turn.user = QStringLiteral("Antworte freundlich und kurz");
    turn.kind = ReplyKind::draft;
    return turn;
}

// Whatever moves in the panel (the spinner, the blinking cursor, the waveform, the fades)
// moves only while it shows: a panel closed in the middle of it leaves no timer behind to
// wake the idle program.
TEST(PanelIdleTest, ClosingThePanelInAnyStateLeavesNoTimerArmed) {
    const struct {
        const char* name;
        bool moves;
        std::function<void(AssistantSession&)> arrange;
    } cases[] = {
        {"ready", false, [](AssistantSession&) {}},
        {"connecting", true,
         [](AssistantSession& session) {
             session.setSentInstruction(QStringLiteral("Antworte freundlich und kurz"));
             session.setWaitStage(AssistantSession::WaitStage::connecting);
             session.setPhase(Phase::streaming());
         }},
        {"writing", true,
         [](AssistantSession& session) {
             const ConversationTurn turn = draftTurn();
             session.setTurns({turn});
             session.setActiveTurnID(turn.id);
             session.setSentInstruction(turn.user);
             session.setDraft(QStringLiteral("Hallo Anna, danke für"));
             session.setWaitStage(AssistantSession::WaitStage::writing);
             session.setPhase(Phase::streaming());
         }},
        {"listening", true,
         [](AssistantSession& session) {
             session.setListening(true);
             session.setLiveTentative(QStringLiteral("passt"));
             session.setLevels({0.1f, 0.6f, 0.9f, 0.3f});
         }},
        {"failed", false,
         [](AssistantSession& session) {
             session.setPhase(Phase::failed(AssistantProblem::offline()));
         }},
    };
    Platform::FakeAppearance appearance;
    Platform::FakeClock clock;
    Theme theme(appearance, clock);
    Platform::FakeFloatingWindows windows;
    windows.compositing = true;
    PanelController controller({clock, windows, [] { return false; }});
    RecordingPanelActions actions(clock);
    for (const auto& c : cases) {
        ContextSnapshot context;
        context.fieldFrame = QRectF(100, 100, 400, 30);
        AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
        actions.setSession(&session);
        controller.show(session, actions);
        c.arrange(session);
        clock.advance(2s);
        QCoreApplication::processEvents();
        EXPECT_EQ(clock.pendingTimers() > 0, c.moves) << c.name;

        controller.hide();
        clock.advance(2s);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(clock.pendingTimers(), 0) << c.name;
        actions.setSession(nullptr);
    }
}

}  // namespace
