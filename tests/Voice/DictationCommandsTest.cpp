#include <gtest/gtest.h>

#include <QStringList>

#include "Voice/DictationCommands.h"

using namespace DictationCommands;

namespace {

struct Case {
    const char* text;
    bool question;
    bool request;
    bool instruction;
};

}  // namespace

TEST(DictationCommandsTest, ClassifiesDictations) {
    const Case cases[] = {
        // The wake word in any case, no question mark: a question and a possible request.
        {"TAVRIN, wie spät ist es", true, true, false},
        {"Was meinst du dazu", true, false, false},
        // Trimmed for the question test only.
        {"  Geht das so?  ", true, false, false},
        {"Das ist gut", false, false, false},
        {"Write a poem", false, true, false},
        {"write about it", false, false, false},
        {"Kannst du mir helfen", true, true, false},
        {"Übersetz das ins Englische", false, false, true},
        // The request test does not trim, so the wake word after a space is no request.
        {" tavrin hilf", true, false, false},
        {"", false, false, false},
        // Umlauts as two code points still match the composed word lists.
        {"U\u0308bersetz das bitte", false, false, true},
        {"Ko\u0308nntest du mir helfen", true, true, false},
        // No folding of diacritics: without its umlaut the word is another word.
        {"Ubersetz das", false, false, false},
        // Phrases match inside longer words.
        {"Ich will, dass du das mach dass es klappt", false, false, true},
        {"ist das fertig", true, false, false},
        {"...wie bitte", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(looksLikeQuestion(text), c.question);
        EXPECT_EQ(mightBeRequest(text), c.request);
        EXPECT_EQ(containsInstruction(text), c.instruction);
    }
}

TEST(DictationCommandsTest, FormattingNeedsThirtyFiveWords) {
    const auto words = [](int count, const QString& separator) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("wort");
        return list.join(separator);
    };
    EXPECT_FALSE(worthFormatting(words(34, " ")));
    EXPECT_TRUE(worthFormatting(words(35, " ")));
    // Runs of whitespace of any kind count as one gap.
    EXPECT_FALSE(worthFormatting("  " + words(34, " \n\t ") + "  "));
    EXPECT_TRUE(worthFormatting(words(35, QStringLiteral("\u00a0\u2003"))));
    EXPECT_FALSE(worthFormatting(QString()));
}
