#include <gtest/gtest.h>

#include <QTest>

#include "AI/AIProvider.h"
#include "AI/Chunk.h"
#include "support/ScriptedAIProvider.h"

namespace {

std::optional<AIResult<QString>> completeAndWait(const AIProvider& provider) {
    std::optional<AIResult<QString>> result;
    auto handle = provider.complete(AIRequest{"system", "user"},
                                    [&](AIResult<QString> outcome) { result = outcome; });
    (void)QTest::qWaitFor([&] { return result.has_value(); }, 2000);
    return result;
}

const QString control = QString(Chunk::controlMark);

}  // namespace

TEST(AIProviderTest, CompleteGathersTheTextSinceTheLastReset) {
    struct Case {
        const char* name;
        QStringList chunks;
        QString expected;
    };
    const Case cases[] = {
        {"no chunk at all", {}, ""},
        {"reset voids what came before", {"A", Chunk::reset(), "B"}, "B"},
        {"control chunks are not text",
         {Chunk::connected(), Chunk::thinking(), "A", Chunk::tool("Grep"), "B"},
         "AB"},
        {"unknown words and longer words are skipped",
         {"A", control + "FOO", control + "RESETTING", "B"},
         "AB"},
        {"reset as the last chunk", {"A", Chunk::reset()}, ""},
        {"text is kept as written", {"  eins\n", "", "zwei  "}, "  eins\nzwei  "},
    };
    for (const Case& c : cases) {
        ScriptedAIProvider provider;
        provider.chunks = c.chunks;
        const auto result = completeAndWait(provider);
        ASSERT_TRUE(result.has_value()) << c.name;
        ASSERT_TRUE(result->hasValue()) << c.name;
        EXPECT_EQ(result->value(), c.expected) << c.name;
    }
}

TEST(AIProviderTest, CompleteHandsOnTheFailureAndDropsTheText) {
    ScriptedAIProvider provider;
    provider.chunks = {"schon geschrieben"};
    provider.failure = AIError::failed("kaputt");
    const auto result = completeAndWait(provider);
    ASSERT_TRUE(result.has_value());
    ASSERT_FALSE(result->hasValue());
    EXPECT_EQ(result->failure(), AIFailure(AIError::failed("kaputt")));
}

TEST(AIProviderTest, DroppingTheCompletionHandleCancelsTheProducer) {
    ScriptedAIProvider provider;
    provider.keepOpen = true;
    bool called = false;
    auto handle = provider.complete(AIRequest{}, [&](AIResult<QString>) { called = true; });
    handle.reset();
    QTest::qWait(20);
    EXPECT_EQ(*provider.cancellations, 1);
    EXPECT_FALSE(called);
}

TEST(AIProviderTest, ErrorDescriptions) {
    struct Case {
        AIError error;
        QString description;
    };
    const Case cases[] = {
        {AIError::cliNotFound("Claude Code (claude)"),
         "Claude Code (claude) wurde nicht gefunden. Pfad in den Einstellungen unter „KI“ "
         "prüfen."},
        {AIError::notLoggedIn("Im Terminal anmelden."), "Nicht angemeldet: Im Terminal anmelden."},
        {AIError::failed("Rate limit %1 – 429"), "Rate limit %1 – 429"},
        {AIError::failed(""), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.error.errorDescription(), c.description);
        EXPECT_EQ(AIFailure(c.error).errorDescription(), c.description);
        EXPECT_EQ(QString::fromUtf8(c.error.what()), c.description);
    }
}
