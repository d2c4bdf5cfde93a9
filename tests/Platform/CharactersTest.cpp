#include "Platform/Characters.h"

#include <gtest/gtest.h>

// "e" + combining acute, a flag (two surrogate pairs), a family emoji joined by ZWJ: each is one
// character the user sees, and no cut may split one.
TEST(CharactersTest, CutsAndCountsWholeCharacters) {
    const QString accent = QStringLiteral("e\u0301");
    const QString flag = QStringLiteral("\U0001F1E9\U0001F1EA");
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    const QString text = accent + flag + QStringLiteral("x") + family;

    EXPECT_EQ(Characters::count(text), 4);
    EXPECT_EQ(Characters::count(QString()), 0);

    struct Case {
        qsizetype count;
        QString prefix, suffix, rest;
    };
    const Case cases[] = {
        {0, "", "", text},
        {1, accent, family, flag + "x" + family},
        {2, accent + flag, "x" + family, "x" + family},
        {4, text, text, ""},
        {9, text, text, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Characters::prefix(text, c.count), c.prefix) << c.count;
        EXPECT_EQ(Characters::suffix(text, c.count), c.suffix) << c.count;
        EXPECT_EQ(Characters::dropPrefix(text, c.count), c.rest) << c.count;
    }
    EXPECT_TRUE(Characters::isBoundary(text, accent.size()));
    EXPECT_FALSE(Characters::isBoundary(text, 1));
}
