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
    };
    for (const Case& c : cases) {
        QuotedMessage message;
        message.author = c.author;
        message.text = "Hallo";
        EXPECT_EQ(message.initials(), c.expected) << c.author.value_or("<none>").toStdString();
    }
}
