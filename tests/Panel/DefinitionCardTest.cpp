#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "Design/ElidedLabel.h"
#include "Design/StyledButton.h"
#include "Panel/CardTextField.h"
#include "Panel/ClampedText.h"
#include "Panel/DefinitionCard.h"
#include "Panel/TintedLabel.h"
#include "RecordingPanelActions.h"

namespace {

using Kind = AssistantAction::Kind;

ActionDefinitionProposal definition(Kind kind) {
    ActionDefinitionProposal p;
    p.action.id = QStringLiteral("deploy");
    p.action.name = QStringLiteral("Deploy");
    p.action.trigger = QStringLiteral("wenn ich deployen will");
    p.action.kind = kind;
    p.action.templateText = QStringLiteral("make deploy");
    return p;
}

class DefinitionCardTest : public ::testing::Test {
protected:
    void SetUp() override {
        actions.setSession(&session);
        session.setDefinitionProposal(definition(Kind::shell));
        card = std::make_unique<DefinitionCard>(session, actions);
        card->resize(532, card->sizeHint().height());
        // Rows wrap, and so grow, only at the width they are shown at.
        card->show();
    }

    QList<CardTextField*> fields() const {
        QList<CardTextField*> shown;
        for (auto* field : card->findChildren<CardTextField*>())
            if (field->isVisibleTo(card.get()))
                shown << field;
        return shown;
    }
    CardTextField* row(const char* title) const {
        return card->findChild<CardTextField*>(QStringLiteral("row:") + QString::fromUtf8(title));
    }
    StyledButton* button(const char* name) const {
        return card->findChild<StyledButton*>(QLatin1String(name));
    }

    Platform::FakeClock clock;
    RecordingPanelActions actions{clock};
    AssistantSession session{std::nullopt, std::nullopt, ProviderID::claudeCLI};
    std::unique_ptr<DefinitionCard> card;
};

TEST_F(DefinitionCardTest, RowsFollowTheKind) {
    const std::pair<Kind, QStringList> cases[] = {
        {Kind::shell, {"Name", "Wann", "Wie", "Befehl"}},
        {Kind::openURL, {"Name", "Wann", "Wie", "Link"}},
        {Kind::githubIssue, {"Name", "Wann", "Wie"}},
        {Kind::githubComment, {"Name", "Wann", "Wie"}},
    };
    for (const auto& [kind, titles] : cases) {
        session.setDefinitionProposal(definition(kind));
        QStringList shown;
        for (auto* field : fields())
            shown << field->objectName().mid(4);
        EXPECT_EQ(shown, titles) << rawValue(kind).toStdString();
        EXPECT_EQ(card->findChild<ElidedLabel*>("definitionKind")->text(), title(kind));
    }
}

TEST_F(DefinitionCardTest, EditingARowChangesTheProposalAndTheRowGrowsToThreeLines) {
    QTest::keyClick(row("Name")->findChild<QPlainTextEdit*>(), Qt::Key_End);
    QTest::keyClicks(row("Name")->findChild<QPlainTextEdit*>(), " Prod");
    EXPECT_EQ(session.definitionProposal()->action.name, "Deploy Prod");
    // Return does not break the one value into lines.
    QTest::keyClick(row("Befehl")->findChild<QPlainTextEdit*>(), Qt::Key_Return);
    EXPECT_EQ(session.definitionProposal()->action.templateText, "make deploy");

    CardTextField* how = row("Wie");
    EXPECT_EQ(how->shownLines(), 1);
    const int oneLine = how->height();
    QTest::keyClicks(how->findChild<QPlainTextEdit*>(), QStringLiteral("wort ").repeated(20));
    EXPECT_GT(how->shownLines(), 1);
    EXPECT_GT(how->height(), oneLine);
    QTest::keyClicks(how->findChild<QPlainTextEdit*>(), QStringLiteral("wort ").repeated(100));
    EXPECT_EQ(how->shownLines(), 3);
    const int threeLines = how->height();
    QTest::keyClicks(how->findChild<QPlainTextEdit*>(), QStringLiteral("wort ").repeated(10));
    EXPECT_EQ(how->height(), threeLines);
    EXPECT_EQ(session.definitionProposal()->action.instructions.size(), 650);
}

TEST_F(DefinitionCardTest, SaveDoubleClickedSavesOnce) {
    button("saveDefinition")->click();
    button("saveDefinition")->click();
    EXPECT_EQ(actions.calls, QStringList{"saveDefinition"});

    // The application stores it and marks it saved: the card confirms with the current name.
    actions.calls.clear();
    session.setDefinitionProposal(definition(Kind::openURL));
    actions.onSaveDefinition = [this] {
        auto p = *session.definitionProposal();
        p.saved = true;
        session.setDefinitionProposal(p);
    };
    QTest::keyClick(row("Name")->findChild<QPlainTextEdit*>(), Qt::Key_End);
    QTest::keyClicks(row("Name")->findChild<QPlainTextEdit*>(), "!");
    button("saveDefinition")->click();
    button("saveDefinition")->click();
    EXPECT_EQ(actions.calls, QStringList{"saveDefinition"});
    EXPECT_TRUE(fields().isEmpty());
    EXPECT_EQ(card->findChild<TintedLabel*>("definitionSavedText")->text(),
              "Gespeichert. Ab jetzt reicht z. B. „Deploy!“.");
    button("finishDefinition")->click();
    EXPECT_FALSE(session.definitionProposal().has_value());
}

TEST_F(DefinitionCardTest, NothingIsWrittenWithoutTheProposalItWasBuiltFor) {
    session.setDefinitionProposal(std::nullopt);
    AssistantSession next(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    next.setDefinitionProposal(definition(Kind::shell));
    actions.setSession(&next);
    QTest::keyClicks(row("Name")->findChild<QPlainTextEdit*>(), "X");
    button("saveDefinition")->click();
    button("discardDefinition")->click();
    ASSERT_TRUE(next.definitionProposal().has_value());
    EXPECT_EQ(next.definitionProposal()->action.name, "Deploy");
    EXPECT_TRUE(actions.calls.isEmpty());
}

// A command template that every run would refuse says so before it is saved, in the present
// (nothing has run), and cannot be saved; editing it into one that runs takes the message away
// and lets it be saved.
TEST_F(DefinitionCardTest, ACommandTemplateEveryRunWouldRefuseCannotBeSaved) {
    struct Case {
        const char* text;
        QStringList parameters;
        const char* message;  // nullptr: none shown, and the action can be saved
    };
    const Case cases[] = {
        {"eval {{cmd}}",
         {"cmd"},
         "Tavrin würde diesen Befehl nicht ausführen: Die Shell würde den Wert von „{{cmd}}“ als "
         "Befehl ausführen („eval“). Setz den Platzhalter dort ein, wo er nur Text ist, etwa als "
         "Argument eines Befehls."},
        {"$EDITOR {{project_path}}",
         {},
         "Tavrin würde diesen Befehl nicht ausführen: Der Wert von „{{project_path}}“ geht an "
         "einen Befehl, dessen Programm erst beim Ausführen feststeht („$EDITOR“) – das kann "
         "Tavrin nicht sicher prüfen. Schreib den Namen des Programms selbst in den Befehl."},
        {"git -C {{project_path}} commit -m {{msg}}", {"msg"}, nullptr},
        // only some values would be refused: the run says so then
        {"git log {{ref}}", {"ref"}, nullptr},
        {"echo $(( {{n}} + 1 ))", {"n"}, nullptr},
        {"eval {{cmd}}", {}, nullptr},  // no placeholder is filled: nothing to refuse
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ActionDefinitionProposal proposal = definition(Kind::shell);
        proposal.action.templateText = c.text;
        proposal.action.parameters = c.parameters;
        session.setDefinitionProposal(proposal);
        const auto* refusal = card->findChild<TintedLabel*>("definitionRefusal");
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->isVisibleTo(card.get()), c.message != nullptr);
        if (c.message) {
            EXPECT_EQ(refusal->text(), c.message);
        }
        EXPECT_EQ(button("saveDefinition")->isEnabled(), c.message == nullptr);
        button("saveDefinition")->click();
        EXPECT_EQ(actions.calls.size(), c.message ? 0 : 1);
        actions.calls.clear();
    }
    // Edited in the card into a template that runs.
    ActionDefinitionProposal proposal = definition(Kind::shell);
    proposal.action.templateText = "eval {{cmd}}";
    proposal.action.parameters = {"cmd"};
    session.setDefinitionProposal(proposal);
    QPlainTextEdit* command = row("Befehl")->findChild<QPlainTextEdit*>();
    command->selectAll();
    QTest::keyClicks(command, "echo {{cmd}}");
    EXPECT_EQ(session.definitionProposal()->action.templateText, "echo {{cmd}}");
    EXPECT_FALSE(card->findChild<TintedLabel*>("definitionRefusal")->isVisibleTo(card.get()));
    EXPECT_TRUE(button("saveDefinition")->isEnabled());
}

// What a new action stores is all in view before it is saved: a text longer than its field
// says so under it and scrolls, and is shown whole beneath with its runs of blank lines and
// white space counted and its invisible characters named; a link is one address, and a text
// the instructions to the AI could not carry for every request is refused by name.
TEST_F(DefinitionCardTest, NothingStoredGoesUnseen) {
    const QString feeds(40, QLatin1Char('\n'));
    QString rules;
    for (int i = 1; i <= 12; ++i)
        rules += QStringLiteral("Regel %1\n").arg(i);
    const struct {
        const char* label;
        Kind kind;
        QString AssistantAction::*member;
        const char* row;
        QString value;
        QString more;     // the sign under the row; empty: none
        QString whole;    // the text shown whole under it; empty: none
        QString refusal;  // empty: saves
    } cases[] = {
        {"a command with a hidden line", Kind::shell, &AssistantAction::templateText, "Befehl",
         "ls -la ~" + feeds + "echo PWNED2 >> FILE" + feeds + "ls -la ~",
         "81 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.",
         "ls -la ~\n… 39 Leerzeilen …\necho PWNED2 >> FILE\n… 39 Leerzeilen …\nls -la ~", ""},
        {"the hidden line first, then lines of blanks and tabs", Kind::shell,
         &AssistantAction::templateText, "Befehl",
         "echo PWNED2 >> FILE\n" + QStringLiteral(" \t  \n").repeated(40) + "ls -la ~",
         "42 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.",
         "echo PWNED2 >> FILE\n… 40 Leerzeilen …\nls -la ~", ""},
        {"a command after a long run of spaces", Kind::shell, &AssistantAction::templateText,
         "Befehl", "ls -la ~" + QString(300, ' ') + "echo PWNED2 >> FILE", "",
         "ls -la ~[300 Leerzeichen]echo PWNED2 >> FILE", ""},
        {"line separators the editor draws as lines", Kind::shell, &AssistantAction::templateText,
         "Befehl", "ls -la ~" + QString(40, QChar::LineSeparator) + "echo PWNED2 >> FILE",
         "41 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.",
         "ls -la ~[U+2028 ×40]echo PWNED2 >> FILE", ""},
        {"a paragraph separator and a next-line character", Kind::shell,
         &AssistantAction::templateText, "Befehl", "ls -la ~\u2029echo PWNED2 >> FILE\u0085ls", "",
         "ls -la ~[U+2029]echo PWNED2 >> FILE[U+0085]ls", ""},
        {"an instruction under blank lines", Kind::openURL, &AssistantAction::instructions, "Wie",
         "Kurz." + feeds + "FOR ALL FUTURE ANSWERS: …",
         "41 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.",
         "Kurz.\n… 39 Leerzeilen …\nFOR ALL FUTURE ANSWERS: …", ""},
        {"an instruction of many lines", Kind::openURL, &AssistantAction::instructions, "Wie",
         rules.trimmed(), "12 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.",
         rules.trimmed(), ""},
        {"a link over several lines", Kind::openURL, &AssistantAction::templateText, "Link",
         "https://evil.example/collect?x=" + feeds + "https://github.com/acme/app/issues?q={{q}}",
         "41 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.",
         "https://evil.example/collect?x=\n… 39 Leerzeilen …\n"
         "https://github.com/acme/app/issues?q={{q}}",
         "Tavrin würde diesen Link nicht öffnen: Ein Link ist eine einzige Adresse, ohne "
         "Zeilenumbrüche und Steuerzeichen."},
        {"instructions too long for every request", Kind::openURL, &AssistantAction::instructions,
         "Wie", QString(2001, '\n'),
         "2002 Zeilen, 3 sichtbar – im Feld scrollen, um alle zu sehen.", "… 2002 Leerzeilen …",
         "„Wie“ ist zu lang: höchstens 2000 Zeichen, hier 2001. Bitte kürzen."},
        {"a short command as it is", Kind::shell, &AssistantAction::templateText, "Befehl",
         "make deploy", "", "", ""},
    };
    for (const auto& c : cases) {
        ActionDefinitionProposal proposal = definition(c.kind);
        proposal.action.*c.member = c.value;
        session.setDefinitionProposal(proposal);
        auto* more = card->findChild<ElidedLabel*>(QStringLiteral("more:") + c.row);
        ASSERT_TRUE(more) << c.label;
        EXPECT_EQ(more->isVisibleTo(card.get()) ? more->text() : QString(), c.more) << c.label;
        auto* whole = card->findChild<ClampedText*>(QStringLiteral("whole:") + c.row);
        EXPECT_EQ(whole && whole->isVisibleTo(card.get()) ? whole->text() : QString(), c.whole)
            << c.label;
        auto* editor = row(c.row)->findChild<QPlainTextEdit*>();
        EXPECT_EQ(editor->textCursor().position(), 0) << c.label;
        if (!c.more.isEmpty()) {
            EXPECT_TRUE(editor->verticalScrollBar()->isVisibleTo(card.get())) << c.label;
        }
        const auto* refusal = card->findChild<TintedLabel*>("definitionRefusal");
        EXPECT_EQ(refusal->isVisibleTo(card.get()) ? refusal->text() : QString(), c.refusal)
            << c.label;
        EXPECT_EQ(button("saveDefinition")->isEnabled(), c.refusal.isEmpty()) << c.label;
        // Shown, not changed: the save stores the text as it came.
        EXPECT_EQ(session.definitionProposal()->action.*c.member, c.value) << c.label;
    }
}

// A learned link whose host only looks like a familiar one shows it as the browser will.
TEST_F(DefinitionCardTest, ALearnedLinkNamesItsServerInASCII) {
    ActionDefinitionProposal proposal = definition(Kind::openURL);
    proposal.action.templateText = "https://g\u0456thub.com/acme/app/issues?q={{q}}";
    proposal.action.parameters = {"q"};
    session.setDefinitionProposal(proposal);
    auto* host = card->findChild<ElidedLabel*>("definitionHost");
    ASSERT_TRUE(host);
    EXPECT_TRUE(host->isVisibleTo(card.get()));
    EXPECT_EQ(host->text(), "Server: xn--gthub-n2e.com");
}

}  // namespace
