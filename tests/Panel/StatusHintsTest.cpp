#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include "Panel/AssistantSession.h"
#include "Panel/ConversationRow.h"
#include "Panel/ListeningHint.h"
#include "Panel/StreamingHint.h"
#include "Panel/StreamingText.h"
#include "Platform/fake/FakeClock.h"

namespace {

using namespace std::chrono_literals;
using Stage = AssistantSession::WaitStage;

TEST(StatusHintsTest, StreamingHintNamesTheStepAndCountsWholeSeconds) {
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::codexCLI);
    session.setPhase(AssistantSession::Phase::streaming());
    session.setWaitStage(Stage::connecting);
    auto hint = std::make_unique<StreamingHint>(session, clock, StatusLine::Accessory());
    EXPECT_EQ(hint->status(), "Fragt ChatGPT …");
    EXPECT_EQ(hint->elapsed(), "");

    session.setRequestStarted(clock.now().addMSecs(-300));
    EXPECT_EQ(hint->elapsed(), "");
    clock.advance(1000ms);
    EXPECT_EQ(hint->elapsed(), "");  // 1.3 s
    clock.advance(699ms);
    EXPECT_EQ(hint->elapsed(), "");  // 1.999 s
    clock.advance(1ms);
    EXPECT_EQ(hint->elapsed(), "2 s");
    clock.advance(3500ms);
    EXPECT_EQ(hint->elapsed(), "5 s");

    session.setActivity(QStringLiteral("Liest main.cpp"));
    EXPECT_EQ(hint->status(), "Liest main.cpp");
    session.setActivity(std::nullopt);
    session.setWaitStage(Stage::writing);
    EXPECT_EQ(hint->status(), "ChatGPT antwortet …");
    EXPECT_EQ(hint->elapsed(), "");
    EXPECT_EQ(clock.pendingTimers(), 0);

    session.setWaitStage(Stage::thinking);
    EXPECT_EQ(hint->elapsed(), "5 s");
    hint.reset();
    EXPECT_EQ(clock.pendingTimers(), 0);
}

// Whether a key is held for the listening, not whether one is set: "fn" is set by default and
// never reaches an X11 program.
TEST(StatusHintsTest, ListeningHintSaysHowToFinishByHowTheListeningBegan) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    ListeningHint hint(session, {});
    EXPECT_EQ(hint.howToFinish(), "Mikrofon klicken zum Übernehmen");
    for (const auto& [held, text] : {std::pair{true, "Loslassen zum Übernehmen"},
                                     std::pair{false, "Mikrofon klicken zum Übernehmen"}}) {
        session.setListeningHeld(held);
        EXPECT_EQ(hint.howToFinish(), text);
    }
}

TEST(StatusHintsTest, ControlReturnWritesTheAnswerWhileTheRowShows) {
    int written = 0;
    QWidget window;
    auto* row = new ConversationRow([&] { ++written; }, {}, {}, &window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // A shortcut clicks its button as a short press: the click follows a moment later.
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return written == 1; }, 2000));
    row->hide();
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    QTest::qWait(150);
    EXPECT_EQ(written, 1);
}

TEST(StatusHintsTest, TheStreamingCursorBlinksOnceASecond) {
    for (const auto& [seconds, visible] :
         {std::pair{0.0, true}, std::pair{0.49, true}, std::pair{0.5, false},
          std::pair{0.99, false}, std::pair{1.0, true}, std::pair{12345.75, false}})
        EXPECT_EQ(StreamingText::cursorVisibleAt(seconds), visible) << seconds;

    // 2026-01-15 09:00:00.000 UTC starts a visible half second.
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    session.setDraft(QStringLiteral("Hallo Welt"));
    auto text = std::make_unique<StreamingText>(session, clock);
    text->show();
    EXPECT_TRUE(text->isCursorVisible());
    clock.advance(500ms);
    EXPECT_FALSE(text->isCursorVisible());
    clock.advance(500ms);
    EXPECT_TRUE(text->isCursorVisible());
    text->hide();
    EXPECT_EQ(clock.pendingTimers(), 0);
    text->show();
    text.reset();
    EXPECT_EQ(clock.pendingTimers(), 0);
}

}  // namespace
