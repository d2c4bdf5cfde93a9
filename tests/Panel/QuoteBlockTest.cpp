#include <gtest/gtest.h>

#include "Design/Fonts.h"
#include "Panel/AssistantSession.h"
#include "Panel/QuoteBlock.h"

namespace {

using Variant = QuoteBlock::Variant;

QuotedMessage message(std::optional<QString> author, const QString& text, bool selection = false) {
    QuotedMessage made;
    made.author = std::move(author);
    made.text = text;
    made.isSelection = selection;
    return made;
}

TEST(QuoteBlockTest, ShowsTheQuoteTheSelectionOrThePlaceholder) {
    struct Case {
        const char* name;
        std::optional<QuotedMessage> quote;
        bool reading;
        bool hidden;
        AssistantSession::Phase phase;
        bool compact;
        Variant variant;
    };
    const auto ready = AssistantSession::Phase::ready();
    const auto streaming = AssistantSession::Phase::streaming();
    const Case cases[] = {
        {"nothing", std::nullopt, false, false, ready, false, Variant::none},
        {"reading", std::nullopt, true, false, ready, false, Variant::placeholder},
        {"reading, compact", std::nullopt, true, false, ready, true, Variant::placeholder},
        {"reading after ready", std::nullopt, true, false, streaming, false, Variant::none},
        {"reading but hidden", std::nullopt, true, true, ready, false, Variant::none},
        {"quote", message("Ana", "Hi"), false, false, ready, false, Variant::fullQuote},
        {"quote while still reading", message("Ana", "Hi"), true, false, ready, false,
         Variant::fullQuote},
        {"compact quote", message("Ana", "Hi"), false, false, streaming, true,
         Variant::compactQuote},
        {"selection", message(std::nullopt, "x", true), false, false, ready, false,
         Variant::fullSelection},
        {"compact selection", message(std::nullopt, "x", true), false, false, ready, true,
         Variant::compactSelection},
    };
    for (const Case& c : cases) {
        AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
        session.setQuote(c.quote);
        session.setReadingQuote(c.reading);
        session.setQuotePlaceholderHidden(c.hidden);
        session.setPhase(c.phase);
        QuoteBlock block(session);
        block.setCompact(c.compact);
        EXPECT_EQ(block.variant(), c.variant) << c.name;
        EXPECT_EQ(block.isHidden(), c.variant == Variant::none) << c.name;
    }
}

TEST(QuoteBlockTest, ThePlaceholderMakesWayForTheArrivingQuote) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    session.setReadingQuote(true);
    QuoteBlock block(session);
    ASSERT_EQ(block.variant(), Variant::placeholder);
    session.setQuote(message("Ana Lima", "Kommst du?"));
    EXPECT_EQ(block.variant(), Variant::fullQuote);
    block.setCompact(true);
    EXPECT_EQ(block.variant(), Variant::compactQuote);
}

TEST(QuoteBlockTest, CompactLinesAndClampedCards) {
    using Line = std::pair<QString, QString>;
    const struct {
        const char* name;
        QuotedMessage quote;
        Line line;
    } lines[] = {
        {"author and text", message("Ana", "Hi"), Line("Ana ", "Hi")},
        {"no author", message(std::nullopt, "Hi"), Line("", "Hi")},
        {"selection: breaks become blanks", message("Ana", "a\nb\n\nc", true),
         Line("Markiert ", "a b  c")},
        // Drawn into one line, a second line would be printed over the first.
        {"message of several lines: the first, then the ellipsis",
         message("Ana", "Erste Zeile\r\nZweite Zeile"), Line("Ana ", "Erste Zeile …")},
    };
    for (const auto& c : lines)
        EXPECT_EQ(QuoteBlock::compactLine(c.quote), c.line) << c.name;

    const QFont font = DS::Font::body();
    struct Case {
        const char* name;
        QString text;
        int maxLines;
        QStringList lines;
    };
    const Case cases[] = {
        {"short", "eins", 4, {"eins"}},
        {"breaks kept", "a\nb\nc", 4, {"a", "b", "c"}},
        {"blank line kept", "a\n\nb", 5, {"a", "", "b"}},
        {"more lines than allowed", "1\n2\n3\n4\n5\n6", 4, {"1", "2", "3", "4 …"}},
        {"five for a selection", "1\n2\n3\n4\n5\n6", 5, {"1", "2", "3", "4", "5 …"}},
        {"exactly the limit", "1\n2\n3\n4", 4, {"1", "2", "3", "4"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuoteBlock::clampLines(c.text, font, 300, c.maxLines), c.lines) << c.name;

    // A long paragraph wraps, and its last allowed line ends in the ellipsis.
    const QStringList wrapped =
        QuoteBlock::clampLines(QString("Wort ").repeated(200), font, 200, 4);
    ASSERT_EQ(wrapped.size(), 4);
    EXPECT_TRUE(wrapped.last().endsWith(u'…'));
    EXPECT_LE(QFontMetricsF(font).horizontalAdvance(wrapped.last()), 200);
}

}  // namespace
