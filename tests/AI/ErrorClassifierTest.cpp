#include <gtest/gtest.h>

#include <QLocale>
#include <ctime>

#include "AI/ErrorClassifier.h"
#include "support/ScopedEnv.h"

namespace {

using Problem = AssistantProblem;
constexpr ProviderID kClaude = ProviderID::claudeCLI;

std::string describe(const Problem& problem) {
    return QStringLiteral("kind %1, hint %2, text %3")
        .arg(int(problem.kind()))
        .arg(problem.resetHint().value_or(QStringLiteral("<none>")), problem.text())
        .toStdString();
}

// Reset times are shown in the user's zone, written the German way whatever the system's
// locale: pin the zone, and a locale that writes times otherwise.
class ErrorClassifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        tzset();
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::system());
        tzset();
    }
    ScopedEnv zone_{"TZ", QStringLiteral("Europe/Berlin")};
};

}  // namespace

TEST_F(ErrorClassifierTest, Classify) {
    struct Case {
        QString text;
        Problem expected;
    };
    const Case cases[] = {
        // 1700000000 is 22:13:20 UTC, 23:13 in Berlin.
        {"Claude AI usage limit reached|1700000000", Problem::limitReached(kClaude, "23:13")},
        {"usage limit|170000000099 resets 5pm", Problem::limitReached(kClaude, "23:13")},
        // Mathematical digits (outside the basic plane: two UTF-16 units each) are digits too.
        {"usage limit|\U0001D7CF\U0001D7D5\U0001D7CE\U0001D7CE\U0001D7CE\U0001D7CE"
         "\U0001D7CE\U0001D7CE\U0001D7CE\U0001D7CE",
         Problem::limitReached(kClaude, "23:13")},
        {"You've hit your limit · resets 5pm (Europe/Berlin)",
         Problem::limitReached(kClaude, "5pm (Europe/Berlin)")},
        {"You've hit your limit · RESETS AT  3am\nDetails", Problem::limitReached(kClaude, "3am")},
        {"hit your limit, resets at 1234567890123456789012345678901234567890tail",
         Problem::limitReached(kClaude, "1234567890123456789012345678901234567890")},
        {"Rate limit exceeded. Please try again in 15 minutes. Thanks",
         Problem::limitReached(kClaude, "in 15 minutes")},
        {"Usage limit reached|12345", Problem::limitReached(kClaude)},
        {"quota exceeded while the network was down", Problem::limitReached(kClaude)},
        {"Error 4290", Problem::limitReached(kClaude)},
        {"getaddrinfo ENOTFOUND api.anthropic.com", Problem::offline()},
        {"Request timed out (503)", Problem::offline()},
        {"API Error: 529 Overloaded", Problem::busy(kClaude)},
        {"api_error: 401", Problem::busy(kClaude)},
        {"OAuth token has expired. Please run /login", Problem::notSignedIn(kClaude)},
        {"request 84012345 rejected", Problem::notSignedIn(kClaude)},
        {"The MODEL gpt-9 does not exist", Problem::modelUnavailable(kClaude)},
        {"Model not found", Problem::modelUnavailable(kClaude)},
        // The tools' current wordings.
        {"There's an issue with the selected model (claude-opus-9). It may not exist or you may "
         "not have access to it. Run /model to pick a different model.",
         Problem::modelUnavailable(kClaude)},
        {"We\u2019re currently experiencing high demand, which may cause temporary errors.",
         Problem::busy(kClaude)},
        {"File Not Found: Foo.txt", Problem::generic("File Not Found: Foo.txt")},
        {"model loaded", Problem::generic("model loaded")},
        {"", Problem::generic("")},
    };
    for (const Case& c : cases) {
        const Problem problem = ErrorClassifier::classify(c.text, kClaude);
        EXPECT_EQ(problem, c.expected) << c.text.toStdString() << " gave " << describe(problem);
    }
    EXPECT_EQ(ErrorClassifier::classify("529", ProviderID::codexCLI),
              Problem::busy(ProviderID::codexCLI));
}

// What codex prints when its service is busy or a limit is reached: busy, limit and sign-in
// stay apart, and a limit that names its moment shows it in the user's own clock.
TEST_F(ErrorClassifierTest, TheCodexWordings) {
    constexpr ProviderID codex = ProviderID::codexCLI;
    struct Case {
        QString text;
        Problem expected;
    };
    const Case cases[] = {
        {"unexpected status 503 Service Unavailable: The engine is currently overloaded, please "
         "try again later., url: …/v1/responses",
         Problem::busy(codex)},
        {"We’re currently experiencing high demand, which may cause temporary errors.",
         Problem::busy(codex)},
        {"Selected model is at capacity. Please try a different model.", Problem::busy(codex)},
        {"exceeded retry limit, last status: 429 Too Many Requests",
         Problem::limitReached(codex)},
        {"You’ve hit your usage limit. Upgrade to Pro (…) … or try again at 6:39 PM.",
         Problem::limitReached(codex, "18:39")},
        {"You’ve hit your usage limit. Try again at 12:05 am.",
         Problem::limitReached(codex, "00:05")},
        {"You’ve hit your usage limit. Try again at 12:30PM", Problem::limitReached(codex, "12:30")},
        {"You’ve hit your usage limit. Try again at Dec 8th, 2026 6:39 PM.",
         Problem::limitReached(codex, "Dec 8th, 2026 18:39")},
        {"You’ve hit your usage limit. Try again at 13:75 PM.",
         Problem::limitReached(codex, "13:75 PM")},
        {"Quota exceeded. Check your plan and billing details.", Problem::limitReached(codex)},
        {"rate limit exceeded: Please try again in 20s.", Problem::limitReached(codex, "in 20s")},
        {"rate limit exceeded: slow down", Problem::limitReached(codex)},
        {"unexpected status 401 Unauthorized: Your authentication token has expired. Please try "
         "signing in again.",
         Problem::notSignedIn(codex)},
    };
    for (const Case& c : cases) {
        const Problem problem = ErrorClassifier::classify(c.text, codex);
        EXPECT_EQ(problem, c.expected) << c.text.toStdString() << " gave " << describe(problem);
    }
}

TEST_F(ErrorClassifierTest, ResetTimeFollowsTheTimeZone) {
    ScopedEnv zone("TZ", QStringLiteral("America/New_York"));
    tzset();
    EXPECT_EQ(ErrorClassifier::classify("usage limit|1700000000", kClaude).resetHint(), "17:13");
}
