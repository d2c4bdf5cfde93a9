#include <gtest/gtest.h>

#include <QJsonDocument>

#include "Actions/ActionDefinitionProposal.h"
#include "Actions/ActionProposal.h"
#include "ActionRunner/ActionRunner.h"
#include "Actions/AssistantAction.h"

namespace {

QJsonObject parse(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

AssistantAction action(AssistantAction::Kind kind, const QString& templateText,
                       const QStringList& parameters) {
    AssistantAction a;
    a.id = "mine";
    a.name = "Meine";
    a.kind = kind;
    a.templateText = templateText;
    a.parameters = parameters;
    return a;
}

}  // namespace

TEST(AssistantActionTest, KindRawValuesAreExact) {
    const struct {
        QString raw;
        std::optional<AssistantAction::Kind> kind;
    } cases[] = {
        {"github_issue", AssistantAction::Kind::githubIssue},
        {"github_comment", AssistantAction::Kind::githubComment},
        {"shell", AssistantAction::Kind::shell},
        {"open_url", AssistantAction::Kind::openURL},
        {"Shell", std::nullopt},
        {"openURL", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kindFromRaw(c.raw), c.kind) << c.raw.toStdString();
    for (const auto kind : allKinds())
        EXPECT_EQ(kindFromRaw(rawValue(kind)), kind);
}

TEST(AssistantActionTest, JsonRoundTripAndStrictReading) {
    AssistantAction mine = action(AssistantAction::Kind::openURL, "https://x/{{q}}", {"q"});
    mine.trigger = "Wenn gesucht wird";
    EXPECT_EQ(mine.toJson().keys().size(), 8);
    EXPECT_EQ(AssistantAction::fromJson(mine.toJson()), mine);
    for (const AssistantAction& builtIn : AssistantAction::builtIns())
        EXPECT_EQ(AssistantAction::fromJson(builtIn.toJson()), builtIn);

    const struct {
        const char* json;
        bool readable;
    } cases[] = {
        {R"({"id":"a","name":"n","trigger":"t","kind":"shell","instructions":"","template":"ls","parameters":[],"builtIn":false,"x":1})",
         true},
        {R"({"id":"a","name":"n","trigger":"t","kind":"shell","instructions":"","template":"ls","parameters":[]})",
         false},
        {R"({"id":"a","name":"n","trigger":"t","kind":"Shell","instructions":"","template":"ls","parameters":[],"builtIn":false})",
         false},
        {R"({"id":"a","name":"n","trigger":"t","kind":"shell","template":"ls","parameters":[],"builtIn":false})",
         false},
        {R"({"id":"a","name":"n","trigger":"t","kind":"shell","instructions":"","template":"ls","parameters":[2],"builtIn":false})",
         false},
        {R"({"id":1,"name":"n","trigger":"t","kind":"shell","instructions":"","template":"ls","parameters":[],"builtIn":false})",
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AssistantAction::fromJson(parse(c.json)).has_value(), c.readable) << c.json;
}

TEST(AssistantActionTest, DisplayTextsOfBuiltInsAndLookalikes) {
    const auto& builtIns = AssistantAction::builtIns();
    ASSERT_EQ(builtIns.size(), 2);
    EXPECT_EQ(builtIns[0].id, "github_issue");
    EXPECT_EQ(builtIns[0].displayName(), "GitHub-Issue erstellen");
    EXPECT_EQ(builtIns[0].displayTrigger(),
              "Wenn du aus dem Thema ein Issue im Repo des Projekts machen möchtest.");
    EXPECT_EQ(builtIns[1].id, "github_comment");
    EXPECT_EQ(builtIns[1].displayTrigger(), "Wenn du ein bestehendes Issue kommentieren möchtest.");

    // The user's own action with a built-in's id keeps its own texts.
    AssistantAction lookalike = builtIns[0];
    lookalike.builtIn = false;
    lookalike.name = "Eigenes";
    lookalike.trigger = "Eigener Anlass";
    EXPECT_EQ(lookalike.displayName(), "Eigenes");
    EXPECT_EQ(lookalike.displayTrigger(), "Eigener Anlass");
}

TEST(AssistantActionTest, Preview) {
    Project withRepo;
    withRepo.repo = "owner/name";
    const Project withoutRepo;
    const auto issue = AssistantAction::builtIns()[0];
    const auto shell =
        action(AssistantAction::Kind::shell, "say {{text}} in {{project_path}}", {"text"});
    const auto link = action(AssistantAction::Kind::openURL, "https://x.org/?q={{q}}", {"q"});
    const struct {
        const char* label;
        AssistantAction action;
        QMap<QString, QString> params;
        std::optional<Project> project;
        std::optional<QString> expected;
    } cases[] = {
        {"params repo wins even empty", issue, {{"repo", ""}}, withRepo, QString("")},
        {"params repo", issue, {{"repo", "a/b"}}, std::nullopt, "a/b"},
        {"project repo", issue, {}, withRepo, "owner/name"},
        {"no project", issue, {}, std::nullopt, std::nullopt},
        {"project without repo", issue, {}, withoutRepo, std::nullopt},
        {"shell shows placeholders",
         shell,
         {{"text", "hallo"}},
         withRepo,
         "say \u2039text\u203A in {{project_path}}"},
        {"link as it opens", link, {{"q", "a b"}}, std::nullopt, "https://x.org/?q=a%20b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ActionRunner::preview(c.action, c.params, c.project), c.expected) << c.label;
}

TEST(AssistantActionTest, EveryProposalGetsItsOwnId) {
    EXPECT_NE(ActionProposal().id, ActionProposal().id);
    EXPECT_NE(ActionDefinitionProposal().id, ActionDefinitionProposal().id);
}
