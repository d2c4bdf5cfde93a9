#include <gtest/gtest.h>

#include "AI/QuotedMessage.h"

TEST(QuotedMessageTest, Initials) {
    struct Case {
        std::optional<QString> author;
        QString expected;
    };
    const Case cases[] = {
        {std::nullopt, "?"},
        {QString(), "?"},
        {"   ", "?"},
        {"anna", "A"},
        {"anna  maria   schmidt", "AM"},
        {" élodie durand", "ÉD"},
        {"\U0001D4D0lpha beta", "\U0001D4D0B"},
        {"Tab\tSeparated", "T"},
        // A first letter written with a combining accent stays one letter, accent included.
        {"e\u0301mile zola", "E\u0301Z"},
        {"\U0001F469\u200D\U0001F4BB dev", "\U0001F469\u200D\U0001F4BBD"},
    };
    for (const Case& c : cases) {
        QuotedMessage message;
        message.author = c.author;
        message.text = "Hallo";
        EXPECT_EQ(message.initials(), c.expected) << c.author.value_or("<none>").toStdString();
    }
}
