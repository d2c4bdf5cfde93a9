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

const QString controlPrefix = QString(Chunk::controlMark);

}  // namespace

TEST(AIProviderTest, CompleteGathersTheTextSinceTheLastResetOrHandsOnTheFailure) {
    struct Case {
        const char* name;
        QStringList chunks;
        AIResult<QString> expected;
        std::optional<AIFailure> failure = std::nullopt;
    };
    const Case cases[] = {
        {"no chunk at all", {}, QString()},
        {"reset voids what came before", {"A", Chunk::reset(), "B"}, QString("B")},
        {"control chunks are not text",
         {Chunk::connected(), Chunk::thinking(), "A", Chunk::tool("Grep"), "B"},
         QString("AB")},
        {"unknown words and longer words are skipped",
         {"A", controlPrefix + "FOO", controlPrefix + "RESETTING", "B"},
         QString("AB")},
        {"reset as the last chunk", {"A", Chunk::reset()}, QString()},
        {"text is kept as written", {"  eins\n", "", "zwei  "}, QString("  eins\nzwei  ")},
        {"a failure drops the text",
         {"schon geschrieben"},
         AIError::failed("kaputt"),
         AIFailure(AIError::failed("kaputt"))},
    };
    for (const Case& c : cases) {
        ScriptedAIProvider provider;
        provider.chunks = c.chunks;
        provider.failure = c.failure;
        const auto result = completeAndWait(provider);
        ASSERT_TRUE(result.has_value()) << c.name;
        EXPECT_EQ(*result, c.expected) << c.name;
    }
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
