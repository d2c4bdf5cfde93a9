#include <gtest/gtest.h>

#include "App/ViewedRecord.h"
#include "Panel/AssistantSession.h"

namespace {

ConversationTurn turn(const QString& user, std::optional<ReplyKind> kind, const QString& reply,
                      bool hidden = false) {
    ConversationTurn t;
    t.user = user;
    t.kind = kind;
    t.reply = reply;
    t.hidden = hidden;
    return t;
}

TEST(ViewedRecordTest, CondensesWhatTheSessionShowed) {
    const QString long800 = QString(800, u'x');
    struct Case {
        const char* name;
        std::optional<QString> title;
        std::optional<QuotedMessage> quote;
        QList<ConversationTurn> turns;
        std::optional<QString> page;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"nothing but a blank title", "  \n", {}, {}, {}, std::nullopt},
        {"only page text",
         {},
         {},
         {},
         QString(700, u'p'),
         "Page text (start): " + QString(600, u'p')},
        {"screen quote with author",
         "Posteingang",
         QuotedMessage{"Anna", "Hallo?", {}, false},
         {},
         {},
         "Viewed: Posteingang\nMessage from Anna: Hallo?"},
        {"screen quote without author",
         {},
         QuotedMessage{{}, "Hallo?", {}, false},
         {},
         {},
         "Message: Hallo?"},
        {"selection",
         {},
         QuotedMessage{{}, long800, {}, true},
         {},
         {},
         "Selected text: " + QString(500, u'x')},
        {"chat turns only, hidden and unknown kinds left out",
         {},
         {},
         {turn("Frage", ReplyKind::chat, long800), turn("leer", ReplyKind::chat, " \n"),
          turn("still", ReplyKind::chat, "nein", true), turn("offen", std::nullopt, ""),
          turn("Entwurf", ReplyKind::draft, "Text")},
         {},
         "User asked: Frage\nYou answered: " + QString(500, u'x') + "\nUser asked: leer"},
    };
    for (const Case& c : cases) {
        ContextSnapshot context;
        context.appName = "Mail";
        context.windowTitle = c.title;
        AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
        session.setQuote(c.quote);
        session.setTurns(c.turns);
        session.setPageText(c.page);
        EXPECT_EQ(ViewedRecord::text(session), c.expected) << c.name;
    }
}

TEST(ViewedRecordTest, NothingWithoutContext) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    session.setPageText(QString("Seite"));
    EXPECT_EQ(ViewedRecord::text(session), std::nullopt);
}

}  // namespace
