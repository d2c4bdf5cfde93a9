#include <gtest/gtest.h>

#include "AI/PromptBuilder.h"
#include "AI/ReplyKind.h"

namespace {

using Parsed = std::optional<std::pair<ReplyKind, QString>>;

std::string describe(const Parsed& parsed) {
    if (!parsed)
        return "<undecided>";
    return (rawValue(parsed->first) + QStringLiteral(" | ") + parsed->second).toStdString();
}

}  // namespace

TEST(ReplyMarkerTest, ParseMarker) {
    struct Case {
        QString text;
        ReplyKind fallback;
        Parsed expected;
    };
    const Case cases[] = {
        // Nothing to decide on yet.
        {"", ReplyKind::chat, std::nullopt},
        {" \n\t ", ReplyKind::chat, std::nullopt},
        {"[", ReplyKind::chat, std::nullopt},
        {"[[", ReplyKind::chat, std::nullopt},
        {"[[DR", ReplyKind::chat, std::nullopt},
        {"[[DRAFT", ReplyKind::chat, std::nullopt},
        {"[[DRAFT]", ReplyKind::chat, std::nullopt},
        {"\n [[NEW_ACT", ReplyKind::chat, std::nullopt},
        {"[[DOCUMENT]", ReplyKind::chat, std::nullopt},
        // Growing into a full marker.
        {"[[DRAFT]]", ReplyKind::chat, {{ReplyKind::draft, ""}}},
        {"[[DRAFT]]\n\nHi", ReplyKind::chat, {{ReplyKind::draft, "Hi"}}},
        {"\n [[CHAT]] \n\nWort", ReplyKind::draft, {{ReplyKind::chat, "Wort"}}},
        {"[[CHAT]]", ReplyKind::draft, {{ReplyKind::chat, ""}}},
        {"[[DRAFT]]\tWort", ReplyKind::chat, {{ReplyKind::draft, "\tWort"}}},
        {"[[DRAFT]] \r\nWort", ReplyKind::chat, {{ReplyKind::draft, "\r\nWort"}}},
        {"[[ACTION]]{\"id\":\"a\"}", ReplyKind::chat, {{ReplyKind::action, "{\"id\":\"a\"}"}}},
        {"[[NEW_ACTION]]\n{}", ReplyKind::chat, {{ReplyKind::newAction, "{}"}}},
        {"[[DOCUMENT]]\nTitel\n\nText", ReplyKind::chat, {{ReplyKind::document, "Titel\n\nText"}}},
        {"\u00a0\u2003[[CHAT]]x", ReplyKind::draft, {{ReplyKind::chat, "x"}}},
        // Kept body whitespace after the content starts.
        {"[[CHAT]]Hallo  \n", ReplyKind::draft, {{ReplyKind::chat, "Hallo  \n"}}},
        // No marker: the fallback takes the text without its leading blanks.
        {" Wort", ReplyKind::draft, {{ReplyKind::draft, "Wort"}}},
        {"[[X", ReplyKind::chat, {{ReplyKind::chat, "[[X"}}},
        {"[[chat]] klein", ReplyKind::draft, {{ReplyKind::draft, "[[chat]] klein"}}},
        {"[x", ReplyKind::document, {{ReplyKind::document, "[x"}}},
        {"Sicher. [[DRAFT]] Text", ReplyKind::chat, {{ReplyKind::chat, "Sicher. [[DRAFT]] Text"}}},
    };
    for (const Case& c : cases) {
        const Parsed parsed = PromptBuilder::parseMarker(c.text, c.fallback);
        EXPECT_EQ(parsed, c.expected)
            << '"' << c.text.toStdString() << "\" gave " << describe(parsed);
    }
}

// The raw values are what stored conversations hold. (Each marker is read in the table above.)
TEST(ReplyMarkerTest, RawValues) {
    for (const ReplyMarker& entry : allReplyKinds())
        EXPECT_EQ(replyKindFromRaw(rawValue(entry.kind)), entry.kind);
    EXPECT_EQ(rawValue(ReplyKind::newAction), "newAction");
    for (const char* raw : {"Chat", "CHAT", "[[CHAT]]", "new_action", "", " draft"})
        EXPECT_EQ(replyKindFromRaw(QString::fromLatin1(raw)), std::nullopt) << raw;
}
