#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include "AI/CLIToolRequest.h"
#include "App/CoordinatorHarness.h"
#include "Panel/ProblemNotice.h"
#include "support/FakeAITool.h"
#include "support/ScopedLocale.h"

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

// What the tools print when their service is busy or a limit is reached, through the whole
// program: a tool that keeps retrying past the grace ends in the busy or the limit problem with
// nothing of it left running, one that went quiet after a refusal is waited for until its
// answer comes, and the notice says what happened, with the time a limit resets when the tool
// names it. A failed instruction stays for another try.
TEST(AppCoordinatorEndToEndTest, AServiceThatTurnsTheToolAwayEndsInItsProblem) {
    using Phase = AssistantSession::Phase;
    constexpr ProviderID claude = ProviderID::claudeCLI;
    constexpr ProviderID codex = ProviderID::codexCLI;
    const QString keeps = QStringLiteral(" Deine Anweisung bleibt erhalten.");
    const struct {
        const char* name;
        ProviderID provider;
        const char* replay;
        const char* pause;  // where the fake waits
        // The fake waits right after the first refusal and is let go once the grace is over.
        bool quietPastTheGrace;
        std::optional<AssistantProblem> problem;  // none: the draft arrives
        QString title = {};
        QString message = {};
    } cases[] = {
        {"claude overloaded", claude, "claude/overloaded.jsonl", "12", false,
         AssistantProblem::busy(claude)},
        {"claude rate limit", claude, "claude/rate-limited.jsonl", "12", false,
         AssistantProblem::limitReached(claude)},
        {"codex blip, then a slow answer", codex, "codex/blip-then-answer.jsonl", "4", true,
         std::nullopt},
        {"codex retrying past the grace", codex, "codex/service-unavailable.jsonl", "4", true,
         AssistantProblem::busy(codex), "ChatGPT ist gerade überlastet",
         "Das liegt nicht an dir. Versuch es in einem Moment nochmal."},
        {"codex at capacity", codex, "codex/at-capacity.jsonl", "", false,
         AssistantProblem::busy(codex), "ChatGPT ist gerade überlastet",
         "Das liegt nicht an dir. Versuch es in einem Moment nochmal."},
        {"codex usage limit with a time", codex, "codex/usage-limit.jsonl", "", false,
         AssistantProblem::limitReached(codex, QStringLiteral("18:39")),
         "Dein ChatGPT-Kontingent ist gerade aufgebraucht",
         "Das Limit deines Abos setzt sich zurück: 18:39." + keeps},
        {"codex quota", codex, "codex/quota.jsonl", "", false,
         AssistantProblem::limitReached(codex), "Dein ChatGPT-Kontingent ist gerade aufgebraucht",
         "Das Limit deines Abos setzt sich nach einiger Zeit von selbst zurück." + keeps},
    };
    // The reset time is shown in the user's format.
    const ScopedLocale german(QLocale(QLocale::German, QLocale::Germany));
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
        if (*c.pause) {
            ASSERT_TRUE(tool.waitUntilPaused(1)) << c.name;
        }

        // Time goes on only in steps, so that what the tool printed is read on the way.
        const auto step = [&] {
            h.clock.advance(std::chrono::milliseconds(250));
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        };
        if (c.quietPastTheGrace) {
            for (auto waited = std::chrono::milliseconds(0);
                 waited < CLIToolRequest::kRefusalGrace + std::chrono::seconds(5);
                 waited += std::chrono::milliseconds(250))
                step();
            EXPECT_EQ(session.phase(), Phase::streaming()) << c.name << ": ended while quiet";
            tool.resume();
        }
        const bool ended = QTest::qWaitFor(
            [&] {
                step();
                return session.phase() != Phase::streaming();
            },
            20000);
        ASSERT_TRUE(ended) << c.name;
        if (!c.problem) {
            EXPECT_EQ(session.phase(), Phase::done()) << c.name;
            EXPECT_EQ(session.draft(), QStringLiteral("Hallo")) << c.name;
            continue;
        }
        EXPECT_EQ(session.phase(), Phase::failed(*c.problem)) << c.name;
        EXPECT_EQ(session.instruction(), QStringLiteral("Sag Hallo")) << c.name;
        EXPECT_TRUE(session.turns().isEmpty()) << c.name;
        EXPECT_TRUE(FakeAITool::groupGone(tool.pid())) << c.name;
        if (!c.title.isEmpty()) {
            const ProblemNotice notice = ProblemNotice::make(*c.problem, c.provider, {});
            EXPECT_EQ(notice.title, c.title) << c.name;
            EXPECT_EQ(notice.message, c.message) << c.name;
        }
    }
}

}  // namespace
