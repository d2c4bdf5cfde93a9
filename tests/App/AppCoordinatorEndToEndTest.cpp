#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
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

// The service turns the tool away and the tool keeps retrying: after the grace the panel shows
// the busy or the limit problem, the instruction stays for another try, and nothing of the
// tool is left running.
TEST(AppCoordinatorEndToEndTest, AServiceThatTurnsTheToolAwayEndsInItsProblem) {
    using Phase = AssistantSession::Phase;
    const struct {
        const char* name;
        ProviderID provider;
        const char* replay;
        const char* pause;  // after the first retries the fake waits for ever
        AssistantProblem problem;
    } cases[] = {
        {"claude overloaded", ProviderID::claudeCLI, "claude/overloaded.jsonl", "4",
         AssistantProblem::busy(ProviderID::claudeCLI)},
        {"claude rate limit", ProviderID::claudeCLI, "claude/rate-limited.jsonl", "4",
         AssistantProblem::limitReached(ProviderID::claudeCLI)},
        {"codex high demand", ProviderID::codexCLI, "codex/overloaded.jsonl", "5",
         AssistantProblem::busy(ProviderID::codexCLI)},
    };
    for (const auto& c : cases) {
        FakeAITool tool(QString::fromLatin1(c.replay));
        tool.set("TAVRIN_FAKE_PAUSE", QString::fromLatin1(c.pause));
        CoordinatorHarness h([&](AssistantSettings& s) {
            s.includeScreenshot = false;
            s.provider = c.provider;
        });
        h.realProviders = true;
        AssistantSession& session = h.open();
        session.setInstruction(QStringLiteral("Sag Hallo"));
        h.coordinator->primaryAction();
        ASSERT_TRUE(tool.waitUntilPaused(1)) << c.name;

        // Time goes on only in steps, so the retries are read before the grace is over.
        const bool ended = QTest::qWaitFor(
            [&] {
                h.clock.advance(std::chrono::milliseconds(250));
                return session.phase() != Phase::streaming();
            },
            20000);
        ASSERT_TRUE(ended) << c.name;
        EXPECT_EQ(session.phase(), Phase::failed(c.problem)) << c.name;
        EXPECT_EQ(session.instruction(), QStringLiteral("Sag Hallo")) << c.name;
        EXPECT_TRUE(session.turns().isEmpty()) << c.name;
        EXPECT_TRUE(FakeAITool::groupGone(tool.pid())) << c.name;
    }
}

}  // namespace
