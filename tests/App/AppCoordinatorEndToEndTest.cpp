#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "App/CoordinatorHarness.h"
#include "support/FakeAITool.h"

namespace {

// The whole road of a typed instruction: the panel opens on fakes, the instruction goes to
// the real Claude provider, which runs the stand-in `claude` program, and the reply streams
// back into the session.
TEST(AppCoordinatorEndToEndTest, ATypedInstructionComesBackAsADraft) {
    FakeAITool tool(QStringLiteral("claude/draft-hallo.jsonl"));
    CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
    h.realProviders = true;
    AssistantSession& session = h.open();

    session.setInstruction(QStringLiteral("Sag Hallo"));
    h.coordinator->primaryAction();
    EXPECT_EQ(session.phase(), AssistantSession::Phase::streaming());

    QElapsedTimer timer;
    timer.start();
    while (session.phase() == AssistantSession::Phase::streaming() && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    EXPECT_EQ(session.phase(), AssistantSession::Phase::done());
    EXPECT_EQ(session.draft(), QStringLiteral("Hallo"));
    ASSERT_EQ(session.turns().size(), 1);
    EXPECT_EQ(session.turns()[0].kind, ReplyKind::draft);
    EXPECT_TRUE(QString::fromUtf8(tool.standardInput()).contains(QStringLiteral("Sag Hallo")));
}

}  // namespace
