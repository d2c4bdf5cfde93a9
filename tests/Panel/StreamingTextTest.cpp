// The draft as it arrives, chunk by chunk: what the user sees is the whole draft, laid out as
// one text, whatever the chunks were; the box keeps its newest words in view unless the user
// scrolled up; the finished draft shows the moment the reply ends.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>
#include <QTextLayout>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

#include "Design/Palette.h"
#include "Panel/AnswerArea.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelTexts.h"
#include "Panel/PanelView.h"
#include "Panel/StreamingText.h"
#include "RecordingPanelActions.h"

using namespace std::chrono_literals;

namespace {

// The draft drawn as one text from scratch: head, tail and cursor in their colours, line
// breaks inside one paragraph, the streaming text's line spacing.
QImage drawnWhole(const StreamingText& widget, const QString& draft, int width) {
    const qsizetype head = PanelTexts::draftHeadLength(draft);
    QString text = draft + QStringLiteral("\u258E");
    text.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(text, widget.font());
    QTextCharFormat label;
    label.setForeground(DS::Palette::label.resolve(&widget));
    QTextCharFormat secondary;
    secondary.setForeground(DS::Palette::secondary.resolve(&widget));
    QTextCharFormat cursor;
    cursor.setForeground(widget.isCursorVisible() ? DS::Palette::accent.resolve(&widget)
                                                  : QColor(Qt::transparent));
    layout.setFormats({{0, int(head), label},
                       {int(head), int(draft.size() - head), secondary},
                       {int(draft.size()), 1, cursor}});
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const qreal lineHeight = QFontMetricsF(widget.font()).height();
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += std::max(line.height(), lineHeight) + StreamingText::kLineSpacing;
    }
    layout.endLayout();
    const int height = int(std::ceil(std::max(y - StreamingText::kLineSpacing, lineHeight)));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    layout.draw(&painter, QPointF(0, 0));
    return image;
}

QImage drawn(StreamingText& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Every longer beginning of `text`, `step` characters at a time.
QStringList arriving(const QString& text, int step) {
    QStringList drafts;
    for (qsizetype end = step; end < text.size() + step; end += step)
        drafts << text.left(end);
    return drafts;
}

QString words(int count, const QString& separator = QStringLiteral(" ")) {
    const QStringList pool = QStringLiteral(
                                 "Vielen Dank für die Nachricht, ich habe die Unterlagen "
                                 "angesehen und finde den Vorschlag überzeugend.")
                                 .split(u' ');
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << pool[i % pool.size()];
    return out.join(separator);
}

struct ArrivalCase {
    const char* name;
    // The session's draft after each chunk.
    QStringList drafts;
    // From this chunk on the text is narrower, as when the scroll bar appears; -1: never.
    int narrowerFrom = -1;
    friend void PrintTo(const ArrivalCase& c, std::ostream* os) { *os << c.name; }
};

class ArrivalTable : public ::testing::TestWithParam<ArrivalCase> {};

TEST_P(ArrivalTable, ShowsTheWholeDraftAsIfItHadArrivedAtOnce) {
    const ArrivalCase& c = GetParam();
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    StreamingText text(session, clock);
    int width = 504;
    text.resize(width, 40);
    text.show();
    for (int chunk = 0; chunk < c.drafts.size(); ++chunk) {
        if (chunk == c.narrowerFrom)
            width = 260;
        session.setDraft(c.drafts[chunk]);
        // Some chunks come within one frame, some after a pause; each frame is drawn.
        clock.advance(chunk % 3 == 0 ? 20ms : 5ms);
        text.resize(width, text.heightForWidth(width));
        drawn(text);
    }
    clock.advance(20ms);
    const QString draft = c.drafts.last();
    EXPECT_EQ(text.shownText(), draft);
    text.resize(width, text.heightForWidth(width));
    const QImage expected = drawnWhole(text, draft, width);
    EXPECT_EQ(text.heightForWidth(width), expected.height());
    EXPECT_TRUE(drawn(text) == expected) << "the draft is drawn unlike the same text at once";
}

INSTANTIATE_TEST_SUITE_P(
    StreamingText, ArrivalTable,
    ::testing::Values(
        ArrivalCase{
            "paragraphs_whose_breaks_arrive_split",
            arriving(words(40) + QStringLiteral("\n\n") + words(70) + QStringLiteral("\n\n") +
                         words(25) + QStringLiteral("\n") + words(9),
                     5)},
        ArrivalCase{"one_long_paragraph", arriving(words(260), 17)},
        ArrivalCase{"blank_lines_and_a_closing_break",
                    arriving(QStringLiteral("Hallo,\n\n\nda  bin ich \nund\n"), 2)},
        ArrivalCase{"a_word_longer_than_a_line",
                    arriving(words(8) + QLatin1Char(' ') + QString(400, u'x'), 9)},
        ArrivalCase{"a_new_reply_replaces_the_draft",
                    arriving(words(90), 11) + arriving(QStringLiteral("Neu:\n") + words(30), 7)},
        ArrivalCase{"narrower_midway", arriving(words(60, QStringLiteral("\n")) + words(50), 13),
                    40},
        ArrivalCase{"right_to_left",
                    arriving(QStringLiteral("مرحبا بالعالم، هذا نص طويل بعض الشيء\n\nשלום "
                                            "עולם ") +
                                 words(30),
                             6)},
        ArrivalCase{"hebrew_words_in_a_german_paragraph",
                    arriving(words(20) + QStringLiteral(" שלום עולם שלום עולם שלום ") + words(12) +
                                 QStringLiteral(" עולם שלום ") + words(30),
                             8)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StreamingText, AChunkAfterAPauseShowsAtOnceAndABurstByTheEndOfItsFrame) {
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    StreamingText text(session, clock);
    text.show();
    session.setDraft(QStringLiteral("Hallo"));
    EXPECT_EQ(text.shownText(), QStringLiteral("Hallo"));
    session.setDraft(QStringLiteral("Hallo Welt,"));
    session.setDraft(QStringLiteral("Hallo Welt, wie"));
    clock.advance(16ms);
    EXPECT_EQ(text.shownText(), QStringLiteral("Hallo Welt, wie"));
    clock.advance(300ms);
    session.setDraft(QStringLiteral("Hallo Welt, wie geht"));
    EXPECT_EQ(text.shownText(), QStringLiteral("Hallo Welt, wie geht"));
}

// A whole reply in one chunk, as a tool that does not stream sends it, is taken a frame's share
// at a time: no frame lays out more than that.
struct BurstCase {
    const char* name;
    QString before;
    QString burst;
    friend void PrintTo(const BurstCase& c, std::ostream* os) { *os << c.name; }
};

class BurstTable : public ::testing::TestWithParam<BurstCase> {};

TEST_P(BurstTable, IsShownAFramesShareAtATime) {
    const BurstCase& c = GetParam();
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    StreamingText text(session, clock);
    text.resize(504, 40);
    text.show();
    session.setDraft(c.before);
    clock.advance(20ms);
    session.setDraft(c.burst);
    int frames = 0;
    for (qsizetype shown = text.shownText().size(); shown < c.burst.size(); ++frames) {
        clock.advance(16ms);
        const qsizetype now = text.shownText().size();
        ASSERT_GT(now, shown) << "the rest never came";
        EXPECT_LE(now - shown, StreamingText::kMostPerFrame);
        EXPECT_FALSE(text.shownText().back().isHighSurrogate()) << "a pair cut at " << now;
        shown = now;
    }
    EXPECT_GE(frames, int(c.burst.size() / StreamingText::kMostPerFrame) - 1);
    EXPECT_EQ(text.shownText(), c.burst);
    EXPECT_GT(text.heightForWidth(504), 1000);
}

INSTANTIATE_TEST_SUITE_P(
    StreamingText, BurstTable,
    ::testing::Values(BurstCase{"the_rest_of_the_reply", QStringLiteral("Hallo "),
                                QStringLiteral("Hallo ") + words(20000, QStringLiteral("\n"))},
                      BurstCase{"a_new_reply_in_place_of_the_draft", words(30),
                                QStringLiteral("Neu: ") + words(20000)},
                      // Never cut between the halves of a character outside the basic plane.
                      BurstCase{"characters_outside_the_basic_plane", QStringLiteral("x"),
                                QStringLiteral("x") + QString::fromUtf8("😀 ").repeated(20000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StreamingText, TheFinishedDraftShowsTheMomentTheReplyEnds) {
    Platform::FakeClock clock;
    RecordingPanelActions actions(clock);
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    PanelView view(session, actions);
    view.show();
    ConversationTurn turn;
    turn.kind = ReplyKind::draft;
    session.setTurns({turn});
    session.setActiveTurnID(turn.id);
    session.setPhase(AssistantSession::Phase::streaming());
    const QString reply = words(120, QStringLiteral("\n"));
    // The last chunks come within one frame, and the reply ends in it.
    for (const QString& draft : arriving(reply, 9))
        session.setDraft(draft);
    session.setPhase(AssistantSession::Phase::done());

    const auto* box = view.findChild<QTextEdit*>(QStringLiteral("draftText"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisibleTo(&view));
    EXPECT_EQ(box->toPlainText(), reply);
}

struct FollowCase {
    const char* name;
    // What the user does with the scroll bar halfway through the reply.
    std::function<void(QScrollBar&)> halfway;
    bool atNewestWords;
    friend void PrintTo(const FollowCase& c, std::ostream* os) { *os << c.name; }
};

class FollowTable : public ::testing::TestWithParam<FollowCase> {};

TEST_P(FollowTable, KeepsTheNewestWordsInViewUnlessTheUserScrolledUp) {
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    AnswerArea area;
    area.resize(532, 10);
    area.streamingText()->layout()->addWidget(
        new StreamingText(session, clock, area.streamingText()));
    area.setStreaming(true);
    area.show();
    auto* bar =
        area.findChild<QScrollArea*>(QStringLiteral("streamingScroll"))->verticalScrollBar();
    const QStringList drafts = arriving(words(400), 23);
    for (int chunk = 0; chunk < drafts.size(); ++chunk) {
        session.setDraft(drafts[chunk]);
        area.setDraft(drafts[chunk]);
        clock.advance(chunk % 2 == 0 ? 20ms : 5ms);
        QCoreApplication::processEvents();
        if (chunk == drafts.size() / 2)
            GetParam().halfway(*bar);
    }
    clock.advance(20ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(area.height(), AnswerArea::kMaximum) << "the box did not grow with the draft";
    ASSERT_GT(bar->maximum(), 0);
    if (GetParam().atNewestWords)
        EXPECT_EQ(bar->value(), bar->maximum());
    else
        EXPECT_EQ(bar->value(), 40) << "the text moved away from where the user reads";
}

INSTANTIATE_TEST_SUITE_P(
    StreamingText, FollowTable,
    ::testing::Values(FollowCase{"left_alone", [](QScrollBar&) {}, true},
                      FollowCase{"scrolled_up", [](QScrollBar& bar) { bar.setValue(40); }, false},
                      FollowCase{"scrolled_back_down",
                                 [](QScrollBar& bar) {
                                     bar.setValue(40);
                                     bar.setValue(bar.maximum());
                                 },
                                 true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
