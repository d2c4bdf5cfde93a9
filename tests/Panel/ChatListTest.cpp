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

ConversationTurn chatTurn(const QString& user, std::optional<ReplyKind> kind,
                          const QString& reply) {
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
        turns.append(chatTurn(QStringLiteral("Frage %1").arg(i), ReplyKind::chat,
                              QStringLiteral("Antwort %1\n\nmit zwei Absätzen.").arg(i)));
    return turns;
}

struct ChatFixture {
    AssistantSession session{std::nullopt, std::nullopt, ProviderID::claudeCLI};
    Platform::FakeClock clock;
};

TEST(ChatListTest, AChunkRedrawsOnlyTheTurnBeingAnswered) {
    ChatFixture f;
    QList<ConversationTurn> turns = {chatTurn("Eins?", ReplyKind::chat, "**Antwort** eins"),
                                     chatTurn("Zwei?", ReplyKind::chat, "Antwort zwei"),
                                     chatTurn("Drei?", ReplyKind::chat, "")};
    f.session.setTurns(turns);
    f.session.setActiveTurnID(turns[2].id);
    ChatList list(f.session, nullptr);

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
    ChatFixture f;
    ConversationTurn a = chatTurn("a", ReplyKind::chat, "A");
    ConversationTurn draft = chatTurn("d", ReplyKind::draft, "Entwurf");
    ConversationTurn hidden = chatTurn("h", ReplyKind::chat, "H");
    hidden.hidden = true;
    ConversationTurn undecided = chatTurn("u", std::nullopt, "");
    ConversationTurn b = chatTurn("b", ReplyKind::chat, "B");
    f.session.setTurns({a, draft, hidden, undecided, b});
    ChatList list(f.session, nullptr);
    ASSERT_EQ(list.rows().size(), 2);
    ChatTurnRow* rowB = list.row(b.id);

    ConversationTurn c = chatTurn("c", ReplyKind::chat, "C");
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
    ConversationTurn withDisplay = chatTurn("x", ReplyKind::action, "{\"id\":1}");
    withDisplay.display = QStringLiteral("Anzeige");
    const Case cases[] = {
        {"blank user words", chatTurn(" \n\t", ReplyKind::chat, "Ja"), false, false, false, "Ja"},
        {"user words kept as written", chatTurn(" Hi ", ReplyKind::chat, "Ja"), false, true, false,
         "Ja"},
        {"answering with nothing yet", chatTurn("x", ReplyKind::chat, " \n"), true, true, true, {}},
        {"finished empty reply", chatTurn("x", ReplyKind::chat, ""), false, true, false, ""},
        {"action never shows its body", chatTurn("x", ReplyKind::action, "{\"id\":1}"), false, true,
         false, "\u2726 Bereite Aktion vor …"},
        {"new action too", chatTurn("x", ReplyKind::newAction, "{}"), true, true, false,
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

// A stretch of the conversation shows its own turns in the session's order, rows kept by turn.
TEST(ChatListTest, AStretchShowsItsTurnsInTheSessionsOrder) {
    ChatFixture f;
    const QList<ConversationTurn> turns = moreThanTheListShows();
    f.session.setTurns(turns);
    ChatList list(f.session, nullptr);
    ChatTurnRow* kept = list.row(turns[2].id);
    list.setStretch(QList<QUuid>{turns[3].id, turns[2].id});
    QList<QUuid> shown;
    for (const ChatTurnRow* row : list.rows())
        shown.append(row->turn().id);
    EXPECT_EQ(shown, QList<QUuid>({turns[2].id, turns[3].id}));
    EXPECT_EQ(list.row(turns[2].id), kept);
    EXPECT_EQ(list.newestRow(), list.row(turns[3].id));
}

}  // namespace
