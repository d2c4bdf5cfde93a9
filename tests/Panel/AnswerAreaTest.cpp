#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include "Panel/AnswerArea.h"

namespace {

struct HeightCase {
    const char* name;
    int lines;
    bool streaming;
    // A reply came after the draft.
    bool older;
    int expectedMinimum;
    int expectedMaximum;
    friend void PrintTo(const HeightCase& c, std::ostream* os) { *os << c.name; }
};

class AnswerHeightTable : public ::testing::TestWithParam<HeightCase> {};

TEST_P(AnswerHeightTable, IsAsTallAsItsTextWithinItsBounds) {
    const HeightCase& c = GetParam();
    AnswerArea area;
    area.resize(532, 10);
    QStringList lines;
    for (int i = 0; i < c.lines; ++i)
        lines << QStringLiteral("Zeile %1").arg(i);
    area.setDraft(lines.join(QLatin1Char('\n')));
    area.setOlder(c.older);
    area.setStreaming(c.streaming);
    EXPECT_GE(area.height(), c.expectedMinimum);
    EXPECT_LE(area.height(), c.expectedMaximum);
}

INSTANTIATE_TEST_SUITE_P(AnswerArea, AnswerHeightTable,
                         ::testing::Values(
                             // One line and the padding: a short answer makes a short box.
                             HeightCase{"one_line", 1, false, false, 30, 60},
                             HeightCase{"one_line_streaming", 1, true, false, 96, 96},
                             HeightCase{"long", 40, false, false, 300, 300},
                             HeightCase{"long_streaming", 40, true, false, 300, 300},
                             HeightCase{"long_before_a_newer_reply", 40, false, true, 110, 110},
                             HeightCase{"short_before_a_newer_reply", 2, false, true, 40, 90}),
                         [](const auto& info) { return std::string(info.param.name); });

// A finished draft far larger than a frame can lay out: the text box takes it a slice at a
// time, and what it holds in the end copies back as the draft, character for character.
struct LongDraftCase {
    const char* name;
    QString draft;
    friend void PrintTo(const LongDraftCase& c, std::ostream* os) { *os << c.name; }
};

QString paragraphs(int count) {
    QStringList all;
    for (int i = 0; i < count; ++i)
        all << QStringLiteral("Absatz %1: ").arg(i) +
                   QStringLiteral("Vielen Dank für die Unterlagen, wir melden uns. ").repeated(6);
    return all.join(QLatin1Char('\n'));
}

class LongDraftTable : public ::testing::TestWithParam<LongDraftCase> {};

TEST_P(LongDraftTable, IsPlacedInSlicesAndCopiedWhole) {
    const LongDraftCase& c = GetParam();
    AnswerArea area;
    area.resize(532, 10);
    area.show();
    auto* text = area.findChild<QTextEdit*>(QStringLiteral("draftText"));
    ASSERT_NE(text, nullptr);
    area.setDraft(c.draft);
    EXPECT_LT(text->document()->characterCount(), c.draft.size())
        << "the whole draft was laid out at once";
    EXPECT_EQ(area.height(), AnswerArea::kMaximum);
    ASSERT_TRUE(QTest::qWaitFor([&] { return area.placedLength() == c.draft.size(); }, 120000));

    // The draft is read from its start: later slices move neither the view nor the cursor.
    EXPECT_EQ(text->verticalScrollBar()->value(), 0);
    EXPECT_EQ(text->textCursor().position(), 0);
    for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next()) {
        EXPECT_LE(block.length(), AnswerArea::kBlockLimit + 1) << "a piece at " << block.position();
        EXPECT_EQ(block.blockFormat().lineHeight(), 4) << "a piece at " << block.position();
    }
    text->selectAll();
    text->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), c.draft);
}

INSTANTIATE_TEST_SUITE_P(
    AnswerArea, LongDraftTable,
    ::testing::Values(
        LongDraftCase{"many_paragraphs", paragraphs(1500)},
        LongDraftCase{"one_paragraph", QStringLiteral("Sehr geehrte Frau Lind, ").repeated(4000)},
        LongDraftCase{"one_word", QString(30000, QLatin1Char('x'))},
        // Never cut between the halves of a character outside the basic plane.
        LongDraftCase{"one_word_of_emoji",
                      QStringLiteral("x") + QString::fromUtf8("😀").repeated(15000)},
        LongDraftCase{"line_ends_of_every_kind",
                      QStringLiteral("Zeile\r\nZeile\rZeile\u2029Zeile\n").repeated(2000)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
