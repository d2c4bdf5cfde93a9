#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "Design/ElidedLabel.h"
#include "Design/StyledButton.h"
#include "Panel/ActionCard.h"
#include "Panel/CardTextField.h"
#include "Panel/ClampedText.h"
#include "Panel/TintedLabel.h"
#include "RecordingPanelActions.h"

namespace {

using Kind = AssistantAction::Kind;

AssistantAction action(Kind kind, QStringList parameters = {}, bool builtIn = false) {
    AssistantAction a;
    a.id = QStringLiteral("a");
    a.name = QStringLiteral("Deploy");
    a.kind = kind;
    a.templateText = QStringLiteral("deploy {{target}}");
    a.parameters = std::move(parameters);
    a.builtIn = builtIn;
    return a;
}

ActionProposal proposal(AssistantAction a, QMap<QString, QString> params = {}) {
    ActionProposal p;
    p.action = std::move(a);
    p.params = std::move(params);
    return p;
}

class ActionCardTest : public ::testing::Test {
protected:
    void SetUp() override {
        actions.setSession(&session);
        session.setActionProposal(proposal(action(Kind::shell, {"target"}), {{"target", "prod"}}));
        card = std::make_unique<ActionCard>(session, actions);
        card->resize(532, card->sizeHint().height());
    }

    // The shown fields' labels in order; "*" marks the multi-line editor.
    QStringList fieldLabels() const {
        QStringList labels;
        for (auto* field : card->findChildren<CardTextField*>()) {
            if (!field->isVisibleTo(card.get()))
                continue;
            auto* label = field->parentWidget()->findChild<ElidedLabel*>();
            labels << label->text() + (field->findChild<QPlainTextEdit*>() ? "*" : "");
        }
        return labels;
    }
    CardTextField* field(const QString& key) const {
        return card->findChild<CardTextField*>(QStringLiteral("field:") + key);
    }
    StyledButton* button(const char* name) const {
        return card->findChild<StyledButton*>(QLatin1String(name));
    }
    bool shown(const char* name) const {
        auto* widget = card->findChild<QWidget*>(QLatin1String(name));
        return widget && widget->isVisibleTo(card.get());
    }

    Platform::FakeClock clock;
    RecordingPanelActions actions{clock};
    AssistantSession session{std::nullopt, std::nullopt, ProviderID::claudeCLI};
    std::unique_ptr<ActionCard> card;
};

TEST_F(ActionCardTest, OffersTheFieldsOfTheActionsKind) {
    const std::pair<AssistantAction, QStringList> cases[] = {
        // The GitHub kinds edit what the runner reads, whatever the action declares.
        {action(Kind::githubIssue, {"repo", "extra"}, true),
         {"Repo", "Titel", "Beschreibung*", "Labels"}},
        {action(Kind::githubComment, {}, true), {"Repo", "Issue-Nr.", "Beschreibung*"}},
        {action(Kind::shell, {"repo", "ziel_ordner"}), {"Repo", "ziel_ordner"}},
        {action(Kind::openURL, {}), {}},
    };
    for (const auto& [a, labels] : cases) {
        session.setActionProposal(proposal(a));
        EXPECT_EQ(fieldLabels(), labels) << rawValue(a.kind).toStdString();
        EXPECT_TRUE(shown("runAction"));
        EXPECT_EQ(button("runAction")->text(), ActionCard::primaryTitle(a.kind));
    }
}

TEST_F(ActionCardTest, TypingChangesTheProposalsParameters) {
    session.setActionProposal(
        proposal(action(Kind::githubIssue, {}, true), {{"title", "Absturz"}}));
    EXPECT_EQ(field("title")->text(), "Absturz");
    EXPECT_EQ(field("labels")->text(), "");

    // A filled field opens at its beginning; the user goes to its end to add to it.
    QTest::keyClick(field("title")->findChild<QLineEdit*>(), Qt::Key_End);
    QTest::keyClicks(field("title")->findChild<QLineEdit*>(), " beim Start");
    // A parameter the model left out is added by typing into its field.
    QTest::keyClicks(field("labels")->findChild<QLineEdit*>(), "bug");
    QTest::keyClicks(field("body")->findChild<QPlainTextEdit*>(), "Zeile 1");
    const QMap<QString, QString> expected{
        {"title", "Absturz beim Start"}, {"labels", "bug"}, {"body", "Zeile 1"}};
    EXPECT_EQ(session.actionProposal()->params, expected);
    EXPECT_EQ(field("title")->findChild<QLineEdit*>()->cursorPosition(), 18);
}

TEST_F(ActionCardTest, EditsAndClicksReachOnlyTheProposalTheCardWasBuiltFor) {
    const QUuid first = session.actionProposal()->id;
    EXPECT_EQ(card->shownProposal(), first);

    // A new proposal rebuilds the card from its own values.
    session.setActionProposal(proposal(action(Kind::shell, {"target"}), {{"target", "staging"}}));
    EXPECT_EQ(card->shownProposal(), session.actionProposal()->id);
    EXPECT_EQ(field("target")->text(), "staging");

    // The application moved on to another session: this card's edits and buttons go nowhere.
    AssistantSession next(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    next.setActionProposal(proposal(action(Kind::shell, {"target"}), {{"target", "dev"}}));
    actions.setSession(&next);
    QTest::keyClicks(field("target")->findChild<QLineEdit*>(), "X");
    button("discardAction")->click();
    button("runAction")->click();
    EXPECT_EQ(next.actionProposal()->params.value("target"), "dev");
    EXPECT_EQ(session.actionProposal()->params.value("target"), "staging");
    EXPECT_TRUE(actions.calls.isEmpty());

    // With no session at all (the panel closing) nothing happens either.
    actions.setSession(nullptr);
    button("discardAction")->click();
    EXPECT_TRUE(session.actionProposal().has_value());
}

TEST_F(ActionCardTest, RunPressedTwiceRunsOnceAndAFailureCanBeRunAgain) {
    button("runAction")->click();
    button("runAction")->click();
    EXPECT_EQ(actions.calls, QStringList{"runAction"});
    EXPECT_FALSE(button("runAction")->isEnabled());

    ActionProposal p = *session.actionProposal();
    p.status = ActionProposal::Running{};
    session.setActionProposal(p);
    EXPECT_FALSE(button("runAction")->isEnabled());
    EXPECT_TRUE(button("runAction")->label().hasSpinner());
    // The fields stay editable while it runs.
    EXPECT_TRUE(field("target")->isEnabled());

    p.status = ActionProposal::Failed{QStringLiteral("Befehl endete mit 2")};
    session.setActionProposal(p);
    EXPECT_TRUE(button("runAction")->isEnabled());
    EXPECT_FALSE(button("runAction")->label().hasSpinner());
    EXPECT_TRUE(shown("actionFailure"));
    EXPECT_EQ(card->findChild<TintedLabel*>("actionFailure")->text(), "Befehl endete mit 2");
    EXPECT_EQ(fieldLabels(), QStringList{"target"});
    button("runAction")->click();
    EXPECT_EQ(actions.calls, (QStringList{"runAction", "runAction"}));
}

TEST_F(ActionCardTest, AFinishedRunShowsItsOutcomeAndItsLink) {
    struct Case {
        std::optional<QUrl> url;
        bool offersLink;
    };
    for (const Case& c : {Case{std::nullopt, false},
                          Case{QUrl(QStringLiteral("https://github.com/o/r/issues/7")), true}}) {
        ActionProposal p = *session.actionProposal();
        p.status = ActionProposal::Done{QStringLiteral("Issue #7 erstellt"), c.url};
        session.setActionProposal(p);
        EXPECT_TRUE(shown("actionOutcome"));
        EXPECT_FALSE(shown("runAction"));
        EXPECT_TRUE(fieldLabels().isEmpty());
        EXPECT_EQ(shown("openOutcome"), c.offersLink);
        if (c.offersLink) {
            button("openOutcome")->click();
            EXPECT_EQ(actions.urlOpener()->opened, QList<QUrl>{*c.url});
        }
    }
    button("finishAction")->click();
    EXPECT_FALSE(session.actionProposal().has_value());
}

// A stored command whose template every run would refuse says so on its card, before any
// click, and offers no run; discarding it still works.
TEST_F(ActionCardTest, ACommandEveryRunWouldRefuseSaysSoAndDoesNotRun) {
    AssistantAction refused = action(Kind::shell, {"cmd"});
    refused.templateText = "eval {{cmd}}";
    session.setActionProposal(proposal(refused, {{"cmd", "ls"}}));
    const auto* refusal = card->findChild<TintedLabel*>("actionRefusal");
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->isVisibleTo(card.get()));
    EXPECT_EQ(refusal->text(),
              "Tavrin würde diesen Befehl nicht ausführen: Die Shell würde den Wert von „{{cmd}}“ "
              "als Befehl ausführen („eval“). Setz den Platzhalter dort ein, wo er nur Text ist, "
              "etwa als Argument eines Befehls.");
    EXPECT_FALSE(button("runAction")->isEnabled());
    button("runAction")->click();
    EXPECT_TRUE(actions.calls.isEmpty());
    button("discardAction")->click();
    EXPECT_FALSE(session.actionProposal().has_value());
}

}  // namespace

namespace {

// What the card displays, read the way the user reads it: the preview's drawn lines, each
// field's first visible text, the notices and whether the run button may be pressed.
struct Seen {
    QStringList previewLines;
    QString host;
    QString notice;  // the repository notice and the refusal, joined
    bool runs = false;
};

Seen seen(ActionCard& card) {
    Seen s;
    card.resize(532, card.heightForWidth(532) > 0 ? card.heightForWidth(532) : 600);
    if (auto* preview = card.findChild<ClampedText*>("actionPreview");
        preview && preview->isVisibleTo(&card))
        s.previewLines = preview->shownLines(500);
    if (auto* host = card.findChild<ElidedLabel*>("actionHost"); host && host->isVisibleTo(&card))
        s.host = host->text();
    QStringList notices;
    for (const char* name : {"actionRepoNotice", "actionRefusal"}) {
        auto* label = card.findChild<TintedLabel*>(name);
        if (label && label->isVisibleTo(&card))
            notices << label->text();
    }
    s.notice = notices.join(" | ");
    s.runs = card.findChild<StyledButton*>("runAction")->isEnabled();
    return s;
}

}  // namespace

// A reply may be a stranger's: what the card shows before the click is what the click runs,
// opens or posts to.
TEST_F(ActionCardTest, ShowsWhatTheRunWillReachBeforeTheClick) {
    Project app;
    app.name = "App";
    app.repo = "acme/app";
    const QString feeds(40, QLatin1Char('\n'));
    AssistantAction hidden = action(Kind::shell);
    hidden.templateText = "ls -la ~" + feeds + "echo PWNED2 >> FILE" + feeds + "ls -la ~";
    AssistantAction separated = action(Kind::shell);
    separated.templateText = "ls -la ~" + QString(40, QChar::LineSeparator) + "echo PWNED2 >> FILE";
    AssistantAction tabbed = action(Kind::shell);
    tabbed.templateText = "ls -la ~" + QString(300, '\t') + "echo PWNED2 >> FILE";
    AssistantAction controls = action(Kind::shell);
    controls.templateText = "echo PWNED2 >> FILE\rls -la ~\u0085";
    AssistantAction jira = action(Kind::openURL, {"team"});
    jira.templateText = "https://{{team}}.atlassian.net/browse/1";
    AssistantAction lookalike = action(Kind::openURL, {"q"});
    lookalike.templateText = "https://g\u0456thub.com/acme/app/issues?q={{q}}";
    const AssistantAction issue = AssistantAction::builtIns().at(0);
    const AssistantAction comment = AssistantAction::builtIns().at(1);
    const struct {
        const char* label;
        ActionProposal proposal;
        std::optional<Project> project;
        Seen expected;
    } cases[] = {
        {"every line of the command, the blank runs counted",
         proposal(hidden),
         std::nullopt,
         {{"ls -la ~", "… 39 Leerzeilen …", "echo PWNED2 >> FILE", "… 39 Leerzeilen …", "ls -la ~"},
          "",
          "",
          true}},
        {"line separators, which bash reads as no line break, named and counted",
         proposal(separated),
         std::nullopt,
         {{"ls -la ~[U+2028 ×40]echo PWNED2 >> FILE"}, "", "", true}},
        {"a run of tabs counted, not drawn over lines of nothing",
         proposal(tabbed),
         std::nullopt,
         {{"ls -la ~[300 Leerzeichen]echo PWNED2 >> FILE"}, "", "", true}},
        {"control characters named",
         proposal(controls),
         std::nullopt,
         {{"echo PWNED2 >> FILE[U+000D]ls -la ~[U+0085]"}, "", "", true}},
        {"the link's host in ASCII",
         proposal(lookalike, {{"q", "x"}}),
         std::nullopt,
         {{"https://xn--gthub-n2e.com/acme/app/issues?q=x"},
          "Server: xn--gthub-n2e.com",
          "",
          true}},
        {"a value that moves the host",
         proposal(jira, {{"team", "evil.example/" + QString(150, ' ') + "acme"}}),
         std::nullopt,
         {{"https://{{team}}.atlassian.net/browse/1"},
          "",
          "Der Wert von „team“ steht im Servernamen des Links und darf dort nur Buchstaben, "
          "Ziffern, „-“ und „.“ enthalten.",
          false}},
        {"a repository that is not the project's",
         proposal(issue, {{"repo", "attacker-org/collect"}, {"title", "T"}}),
         app,
         {{}, "", "Nicht das Repo des Projekts „App“ (acme/app).", true}},
        {"a repository with no project",
         proposal(issue, {{"repo", "attacker-org/collect"}, {"title", "T"}}),
         std::nullopt,
         {{}, "", "Kein Projekt-Repo gewählt: Prüfe, ob dieses Repo stimmt.", true}},
        {"more than one issue number",
         proposal(comment, {{"issue", "#12 (Antwort auf #7)"}, {"repo", "acme/app"}}),
         app,
         {{}, "", "„#12 (Antwort auf #7)“ ist keine einzelne Issue-Nummer.", false}},
    };
    for (const auto& c : cases) {
        session.setProject(c.project);
        session.setActionProposal(c.proposal);
        const Seen s = seen(*card);
        EXPECT_EQ(s.previewLines, c.expected.previewLines) << c.label;
        EXPECT_EQ(s.host, c.expected.host) << c.label;
        EXPECT_EQ(s.notice, c.expected.notice) << c.label;
        EXPECT_EQ(s.runs, c.expected.runs) << c.label;
    }
}

// A confirmed field opens at the beginning of what it holds: a secret first line is in view,
// not scrolled away under sixty line feeds, and the body's bar says that more follows.
TEST_F(ActionCardTest, AFieldShowsTheBeginningOfItsValue) {
    const QString body = "API_KEY=sk-live-12345 (vertraulich)" + QString(60, '\n') + "Danke!";
    const QString title = "Anfang " + QString(200, 'x') + " Ende";
    session.setActionProposal(proposal(AssistantAction::builtIns().at(0),
                                       {{"title", title}, {"body", body}, {"repo", "acme/app"}}));
    card->resize(532, 600);
    card->show();
    QCoreApplication::processEvents();
    auto* editor = field("body")->findChild<QPlainTextEdit*>();
    EXPECT_EQ(editor->textCursor().position(), 0);
    EXPECT_EQ(editor->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(editor->verticalScrollBar()->isVisible());
    EXPECT_LE(field("body")->height(), 84);
    EXPECT_EQ(field("title")->findChild<QLineEdit*>()->cursorPosition(), 0);
    // The repository field, empty, shows the project's repository greyed.
    Project app;
    app.name = "App";
    app.repo = "acme/app";
    session.setProject(app);
    session.setActionProposal(proposal(AssistantAction::builtIns().at(0), {{"title", "T"}}));
    EXPECT_EQ(field("repo")->findChild<QLineEdit*>()->placeholderText(), "acme/app");
}

// The body's box is as tall as its text, so that a short body leaves a small screen its room.
TEST_F(ActionCardTest, TheBodyIsAsTallAsItsTextWithinItsBox) {
    const QString line = QStringLiteral("Unterlagen zusammenstellen");
    const struct {
        const char* name;
        QString body;
        QStringList typed;
    } cases[] = {
        {"one line keeps the room of two", line, {}},
        {"four lines in view, in less than the whole box", QStringList(4, line).join('\n'), {}},
        {"lines typed into a short body widen its box", line, {"Zwei", "Drei", "Vier"}},
    };
    card->show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session.setActionProposal(
            proposal(AssistantAction::builtIns().at(0), {{"title", "T"}, {"body", c.body}}));
        auto* editor = field("body")->findChild<QPlainTextEdit*>();
        QCoreApplication::processEvents();
        const int before = field("body")->height();
        if (!c.typed.isEmpty()) {
            editor->moveCursor(QTextCursor::End);
            for (const QString& typed : c.typed) {
                QTest::keyClick(editor, Qt::Key_Return);
                QTest::keyClicks(editor, typed);
            }
            QCoreApplication::processEvents();
            EXPECT_GT(field("body")->height(), before);
        }
        const qreal lineSpacing = editor->fontMetrics().lineSpacing();
        const int lines = int(editor->document()->blockCount());
        // Every line in view, in no more than they need with the padding, two lines at least.
        EXPECT_FALSE(editor->verticalScrollBar()->isVisible());
        EXPECT_LE(field("body")->height(), std::max(lines, 2) * lineSpacing + 16);
    }
}
