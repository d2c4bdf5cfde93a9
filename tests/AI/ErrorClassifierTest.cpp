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

// Reset times are shown in the user's zone and locale; pin both.
class ErrorClassifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
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

TEST_F(ErrorClassifierTest, ResetTimeFollowsTheTimeZone) {
    ScopedEnv zone("TZ", QStringLiteral("America/New_York"));
    tzset();
    EXPECT_EQ(ErrorClassifier::classify("usage limit|1700000000", kClaude).resetHint(), "17:13");
}
