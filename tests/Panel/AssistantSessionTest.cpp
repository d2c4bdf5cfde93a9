#include <gtest/gtest.h>

#include <functional>

#include "Panel/AssistantSession.h"

namespace {

using Phase = AssistantSession::Phase;
using Problem = AssistantSession::Problem;

ConversationTurn sessionTurn(std::optional<ReplyKind> kind, bool hidden = false) {
    ConversationTurn t;
    t.user = "Frage";
    t.kind = kind;
    t.hidden = hidden;
    return t;
}

AssistantSession newSession() {
    ContextSnapshot context;
    context.appName = "Mail";
    Platform::RunningApplication app;
    app.localizedName = "Mail";
    return AssistantSession(app, context, ProviderID::codexCLI);
}

}  // namespace

TEST(AssistantSessionTest, NewSession) {
    ContextSnapshot context;
    context.appName = "Mail";
    AssistantSession session(std::nullopt, context, ProviderID::codexCLI);
    EXPECT_EQ(session.targetApp(), std::nullopt);
    EXPECT_EQ(session.context(), context);
    EXPECT_EQ(session.provider(), ProviderID::codexCLI);
    EXPECT_EQ(session.phase(), Phase::ready());
    EXPECT_EQ(session.waitStage(), AssistantSession::WaitStage::connecting);
    EXPECT_EQ(session.mode(), AssistantSession::Mode::automatic);
    EXPECT_EQ(session.levels(), QList<float>(14, 0.0f));
    EXPECT_TRUE(session.turns().isEmpty());
    EXPECT_FALSE(session.hasDraft());
}

// A write notifies once when the value changes and not at all when it is equal.
TEST(AssistantSessionTest, NotifiesOnlyRealChanges) {
    struct Case {
        const char* name;
        void (AssistantSession::*signal)();
        std::function<void(AssistantSession&)> write;
    };
    ConversationTurn sameTurn = sessionTurn(ReplyKind::chat);
    const Case cases[] = {
        {"draft", &AssistantSession::draftChanged,
         [](AssistantSession& s) { s.setDraft("Hallo"); }},
        {"phase", &AssistantSession::phaseChanged,
         [](AssistantSession& s) { s.setPhase(Phase::failed(Problem::offline())); }},
        {"turns", &AssistantSession::turnsChanged,
         [sameTurn](AssistantSession& s) { s.setTurns({sameTurn}); }},
        {"context cleared", &AssistantSession::contextChanged,
         [](AssistantSession& s) { s.setContext(std::nullopt); }},
    };
    for (const Case& c : cases) {
        AssistantSession session = newSession();
        int notified = 0;
        int others = 0;
        QObject::connect(&session, c.signal, [&] { ++notified; });
        QObject::connect(&session, &AssistantSession::providerChanged, [&] { ++others; });
        c.write(session);
        c.write(session);
        EXPECT_EQ(notified, 1) << c.name;
        EXPECT_EQ(others, 0) << c.name;
    }
}

TEST(AssistantSessionTest, HasDraft) {
    const struct {
        QString draft;
        bool expected;
    } cases[] = {{"", false}, {" \n\t\r\n ", false}, {"x", true}, {"\n.\n", true}};
    AssistantSession session = newSession();
    for (const auto& c : cases) {
        session.setDraft(c.draft);
        EXPECT_EQ(session.hasDraft(), c.expected) << c.draft.toStdString();
    }
}

TEST(AssistantSessionTest, ChatTurnsAndActiveTurn) {
    const ConversationTurn undecided = sessionTurn(std::nullopt);
    const ConversationTurn draft = sessionTurn(ReplyKind::draft);
    const ConversationTurn hiddenChat = sessionTurn(ReplyKind::chat, true);
    const ConversationTurn document = sessionTurn(ReplyKind::document);
    const ConversationTurn action = sessionTurn(ReplyKind::action);
    AssistantSession session = newSession();
    session.setTurns({undecided, draft, hiddenChat, document, action});

    EXPECT_EQ(session.chatTurns(), (QList<ConversationTurn>{document, action}));

    EXPECT_EQ(session.activeTurn(), std::nullopt);
    session.setActiveTurnID(draft.id);
    EXPECT_EQ(session.activeTurn(), draft);
    session.setTurns({document});
    EXPECT_EQ(session.activeTurn(), std::nullopt);
}

TEST(AssistantSessionTest, PushLevel) {
    AssistantSession session = newSession();
    int notified = 0;
    QObject::connect(&session, &AssistantSession::levelsChanged, [&] { ++notified; });
    session.pushLevel(0.0f);
    EXPECT_EQ(notified, 0);
    session.pushLevel(0.5f);
    EXPECT_EQ(session.levels().size(), 14);
    EXPECT_EQ(session.levels().last(), 0.5f);
    session.pushLevel(0.25f);
    EXPECT_EQ(session.levels().mid(12), (QList<float>{0.5f, 0.25f}));
    EXPECT_EQ(notified, 2);

    // An emptied display stays empty instead of failing.
    session.setLevels({});
    session.pushLevel(1.0f);
    EXPECT_TRUE(session.levels().isEmpty());
}

TEST(AssistantSessionTest, ModeRawValues) {
    for (const AssistantSession::Mode mode : allModes())
        EXPECT_EQ(modeFromRaw(rawValue(mode)), mode);
    EXPECT_EQ(rawValue(AssistantSession::Mode::automatic), "auto");
    EXPECT_EQ(modeFromRaw("Auto"), std::nullopt);
}
