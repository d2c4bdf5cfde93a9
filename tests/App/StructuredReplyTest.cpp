#include <gtest/gtest.h>

#include "App/StructuredReply.h"
#include "Panel/AssistantSession.h"

namespace {

QString lineText(const char* utf8) {
    return QString::fromUtf8(utf8);
}

AssistantAction shellAction(const QString& id, const QStringList& parameters) {
    AssistantAction action;
    action.id = id;
    action.name = id;
    action.kind = AssistantAction::Kind::shell;
    action.parameters = parameters;
    return action;
}

struct Catalogue {
    QList<AssistantAction> custom;
    StructuredReply::Catalogue get() const {
        return [this] { return AssistantAction::builtIns() + custom; };
    }
};

TEST(StructuredReplyTest, ActionRepliesBecomeProposals) {
    struct Case {
        const char* name;
        const char* json;
        std::optional<QString> line;
        QMap<QString, QString> params;
    };
    const Case cases[] = {
        {"chatter around the object",
         R"(Gern. {"id":"deploy","summary":"Ausrollen","params":{"env":"prod"}} Fertig.)",
         lineText("✦ Ausrollen"),
         {{"env", "prod"}, {"tag", ""}}},
        {"numbers and lists as text",
         R"({"id":"deploy","params":{"env":3,"tag":["red","blue"]}})",
         lineText("✦ deploy"),
         {{"env", "3"}, {"tag", "red, blue"}}},
        {"the fixed parameters of an issue",
         R"({"id":"github_issue","summary":"Issue","params":{"title":"Absturz"}})",
         lineText("✦ Issue"),
         {{"title", "Absturz"}, {"body", ""}, {"labels", ""}}},
        {"params that are no object",
         R"({"id":"deploy","params":[1]})",
         lineText("✦ deploy"),
         {{"env", ""}, {"tag", ""}}},
        {"direction controls made visible in the summary and the values",
         "{\"id\":\"deploy\",\"summary\":\"Issue \u202Eredro-esrever\u202C anlegen\","
         "\"params\":{\"env\":\"bild\u202Egnp.exe\"}}",
         lineText("✦ Issue [U+202E]redro-esrever[U+202C] anlegen"),
         {{"env", "bild[U+202E]gnp.exe"}, {"tag", ""}}},
        {"an id in other letter case", R"({"id":"Deploy"})", std::nullopt, {}},
        {"an unknown id", R"({"id":"nope"})", std::nullopt, {}},
        {"an id that is no string", R"({"id":3})", std::nullopt, {}},
        {"braces the wrong way round", R"(} {"id":"deploy")", std::nullopt, {}},
        {"no object at all", "deploy", std::nullopt, {}},
        {"broken JSON", R"({"id":"deploy",})", std::nullopt, {}},
    };
    Catalogue catalogue{{shellAction("deploy", {"env", "tag"})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
        const auto line = StructuredReply::apply(ReplyKind::action, QString::fromUtf8(c.json),
                                                 session, catalogue.get());
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(session.actionProposal().has_value(), c.line.has_value());
        if (session.actionProposal()) {
            EXPECT_EQ(session.actionProposal()->params, c.params);
            EXPECT_TRUE(
                std::holds_alternative<ActionProposal::Pending>(session.actionProposal()->status));
        }
    }
}

TEST(StructuredReplyTest, NewActionRepliesBecomeDefinitions) {
    struct Case {
        const char* name;
        const char* json;
        std::optional<QString> id;
    };
    const Case cases[] = {
        {"an accented name", R"({"name":" Übersetze & poste! ","kind":"shell"})",
         QStringLiteral("ubersetze_poste")},
        {"only punctuation", R"({"name":"?!","kind":"open_url"})", QStringLiteral("aktion")},
        {"a taken id", R"({"name":"Deploy","kind":"shell"})", QStringLiteral("deploy_2")},
        {"taken twice", R"({"name":"Backup","kind":"shell"})", QStringLiteral("backup_2_2")},
        {"an unknown kind", R"({"name":"X","kind":"email"})", std::nullopt},
        {"a blank name", R"({"name":" \t","kind":"shell"})", std::nullopt},
        {"no name", R"({"kind":"shell"})", std::nullopt},
    };
    Catalogue catalogue{
        {shellAction("deploy", {}), shellAction("backup", {}), shellAction("backup_2", {})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
        const auto line = StructuredReply::apply(ReplyKind::newAction, QString::fromUtf8(c.json),
                                                 session, catalogue.get());
        ASSERT_EQ(line.has_value(), c.id.has_value());
        if (!c.id)
            continue;
        ASSERT_TRUE(session.definitionProposal());
        const AssistantAction& action = session.definitionProposal()->action;
        EXPECT_EQ(action.id, *c.id);
        EXPECT_FALSE(action.builtIn);
        EXPECT_TRUE(line->startsWith(lineText("✦ Neue Aktion vorgeschlagen: ")));
        EXPECT_TRUE(line->endsWith(action.name));
    }
}

TEST(StructuredReplyTest, OptionalFieldsOfANewActionFallBack) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    Catalogue catalogue;
    StructuredReply::apply(
        ReplyKind::newAction,
        R"({"name":"Suche","kind":"open_url","template":"https://x/?q={{q}}","trigger":7,)"
        R"("parameters":["q",2]})",
        session, catalogue.get());
    ASSERT_TRUE(session.definitionProposal());
    const AssistantAction& action = session.definitionProposal()->action;
    EXPECT_EQ(action.templateText, QStringLiteral("https://x/?q={{q}}"));
    EXPECT_TRUE(action.trigger.isEmpty());
    EXPECT_TRUE(action.parameters.isEmpty()) << "a list with a non-text counts as missing";
}

}  // namespace
