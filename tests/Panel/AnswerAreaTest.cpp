#include <gtest/gtest.h>

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

}  // namespace
