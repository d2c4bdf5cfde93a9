#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QWheelEvent>

#include "Panel/AssistantSession.h"
#include "Panel/ChatBubble.h"
#include "Panel/ChatList.h"
#include "Panel/MarkdownText.h"
#include "Platform/fake/FakeClock.h"

namespace {

using namespace std::chrono_literals;

ConversationTurn turn(const QString& user, std::optional<ReplyKind> kind, const QString& reply) {
    ConversationTurn made;
    made.user = user;
    made.kind = kind;
    made.reply = reply;
    return made;
}

// Eight turns of two paragraphs: taller than a list 200 high.
QList<ConversationTurn> moreThanTheListShows() {
    QList<ConversationTurn> turns;
    for (int i = 0; i < 8; ++i)
        turns.append(turn(QStringLiteral("Frage %1").arg(i), ReplyKind::chat,
                          QStringLiteral("Antwort %1\n\nmit zwei Absätzen.").arg(i)));
    return turns;
}

struct Fixture {
    AssistantSession session{std::nullopt, std::nullopt, ProviderID::claudeCLI};
    Platform::FakeClock clock;
};

TEST(ChatListTest, AChunkRedrawsOnlyTheTurnBeingAnswered) {
    Fixture f;
    QList<ConversationTurn> turns = {turn("Eins?", ReplyKind::chat, "**Antwort** eins"),
                                     turn("Zwei?", ReplyKind::chat, "Antwort zwei"),
                                     turn("Drei?", ReplyKind::chat, "")};
    f.session.setTurns(turns);
    f.session.setActiveTurnID(turns[2].id);
    ChatList list(f.session, f.clock, nullptr);

    ChatTurnRow* answering = list.row(turns[2].id);
    ASSERT_NE(answering, nullptr);
    EXPECT_FALSE(answering->typingRow()->isHidden());
    EXPECT_TRUE(answering->replyBubble()->parentWidget()->isHidden());

    const QList<ChatTurnRow*> before = list.rows();
    QList<int> revisions;
    for (ChatTurnRow* row : before)
        revisions.append(row->replyBubble()->textView()->document().revision());

    for (const char* chunk : {"Hal", "Hallo", "Hallo *Welt*"}) {
        turns[2].reply = chunk;
        f.session.setTurns(turns);
    }

    EXPECT_EQ(list.rows(), before);
    EXPECT_TRUE(answering->typingRow()->isHidden());
    EXPECT_FALSE(answering->replyBubble()->parentWidget()->isHidden());
    EXPECT_EQ(answering->replyBubble()->text(), "Hallo *Welt*");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(before[i]->replyBubble()->textView()->document().revision(), revisions[i]) << i;
}

TEST(ChatListTest, RowsFollowTheVisibleTurnsByIdentity) {
    Fixture f;
    ConversationTurn a = turn("a", ReplyKind::chat, "A");
    ConversationTurn draft = turn("d", ReplyKind::draft, "Entwurf");
    ConversationTurn hidden = turn("h", ReplyKind::chat, "H");
    hidden.hidden = true;
    ConversationTurn undecided = turn("u", std::nullopt, "");
    ConversationTurn b = turn("b", ReplyKind::chat, "B");
    f.session.setTurns({a, draft, hidden, undecided, b});
    ChatList list(f.session, f.clock, nullptr);
    ASSERT_EQ(list.rows().size(), 2);
    ChatTurnRow* rowB = list.row(b.id);

    ConversationTurn c = turn("c", ReplyKind::chat, "C");
    f.session.setTurns({b, c});
    const QList<ChatTurnRow*> rows = list.rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], rowB);
    EXPECT_EQ(rows[1]->turn().id, c.id);
    EXPECT_EQ(list.row(a.id), nullptr);
}

TEST(ChatListTest, EachTurnShowsItsUserWordsAndItsReplyPart) {
    struct Case {
        const char* name;
        ConversationTurn turn;
        bool active;
        bool userBubble;
        bool typing;
        QString reply;  // the reply bubble's text when it shows
    };
    ConversationTurn withDisplay = turn("x", ReplyKind::action, "{\"id\":1}");
    withDisplay.display = QStringLiteral("Anzeige");
    const Case cases[] = {
        {"blank user words", turn(" \n\t", ReplyKind::chat, "Ja"), false, false, false, "Ja"},
        {"user words kept as written", turn(" Hi ", ReplyKind::chat, "Ja"), false, true, false,
         "Ja"},
        {"answering with nothing yet", turn("x", ReplyKind::chat, " \n"), true, true, true, {}},
        {"finished empty reply", turn("x", ReplyKind::chat, ""), false, true, false, ""},
        {"action never shows its body", turn("x", ReplyKind::action, "{\"id\":1}"), false, true,
         false, "\u2726 Bereite Aktion vor …"},
        {"new action too", turn("x", ReplyKind::newAction, "{}"), true, true, false,
         "\u2726 Bereite Aktion vor …"},
        {"display text wins", withDisplay, false, true, false, "Anzeige"},
    };
    for (const Case& c : cases) {
        ChatTurnRow row(nullptr, {});
        row.setTurn(c.turn, c.active);
        EXPECT_EQ(!row.userBubble()->parentWidget()->isHidden(), c.userBubble) << c.name;
        EXPECT_EQ(!row.typingRow()->isHidden(), c.typing) << c.name;
        if (!c.typing) {
            EXPECT_EQ(row.replyBubble()->text(), c.reply) << c.name;
        }
    }
}

TEST(ChatListTest, TheListIsAsTallAsItsTurnsUpToItsLimit) {
    Fixture f;
    QList<ConversationTurn> turns;
    for (int i = 0; i < 12; ++i)
        turns.append(turn(QStringLiteral("Frage %1").arg(i), ReplyKind::chat, "Eine Antwort."));
    f.session.setTurns(turns.mid(0, 1));
    ChatList list(f.session, f.clock, nullptr);
    list.resize(532, list.height());
    list.show();
    const int one = list.height();
    EXPECT_GT(one, 0);
    EXPECT_LT(one, ChatList::kMaxHeightWithCard);

    f.session.setTurns(turns);
    EXPECT_EQ(list.height(), ChatList::kMaxHeight);
    f.session.setDraft(QStringLiteral("Entwurf"));
    EXPECT_EQ(list.height(), ChatList::kMaxHeightWithDraft);
    f.session.setActionProposal(ActionProposal{});
    EXPECT_EQ(list.height(), ChatList::kMaxHeightWithCard);
}

TEST(ChatListTest, ANewTurnScrollsIntoViewInTwoPassesThatEndWithTheList) {
    Fixture f;
    QList<ConversationTurn> turns = moreThanTheListShows();
    f.session.setTurns(turns);
    auto list = std::make_unique<ChatList>(f.session, f.clock, nullptr);
    list->resize(532, 200);
    list->show();
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    // On appearing, the newest turn is in view at once.
    EXPECT_EQ(bar->value(), std::min(list->row(turns.last().id)->y(), bar->maximum()));

    bar->setValue(0);
    turns.append(turn(QStringLiteral("Neu"), ReplyKind::chat, QStringLiteral("")));
    f.session.setTurns(turns);
    f.clock.advance(29ms);
    EXPECT_EQ(bar->value(), 0);
    f.clock.advance(100ms);
    const int midway = bar->value();
    EXPECT_GT(midway, 0);
    f.clock.advance(1s);
    EXPECT_EQ(bar->value(), std::min(list->row(turns.last().id)->y(), bar->maximum()));

    // A request starting scrolls too; the list going away takes its passes with it.
    bar->setValue(0);
    f.session.setActiveTurnID(turns.last().id);
    EXPECT_GT(f.clock.pendingTimers(), 0);
    list.reset();
    EXPECT_EQ(f.clock.pendingTimers(), 0);
    f.clock.advance(1s);
}

TEST(ChatListTest, TheWheelOverAReplyScrollsTheConversation) {
    Fixture f;
    QList<ConversationTurn> turns = moreThanTheListShows();
    f.session.setTurns(turns);
    ChatList list(f.session, f.clock, nullptr);
    list.resize(532, 200);
    list.show();
    QScrollBar* bar = list.verticalScrollBar();
    bar->setValue(bar->maximum());
    QWidget* reply =
        list.rows().last()->replyBubble()->textView()->findChild<QTextBrowser*>()->viewport();
    const QPointF at(5, 5);
    QWheelEvent wheel(at, reply->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(reply, &wheel);
    EXPECT_LT(bar->value(), bar->maximum());
}

}  // namespace
