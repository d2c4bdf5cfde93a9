#include <gtest/gtest.h>

#include <QTest>
#include <functional>

#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"
#include "SettingsWindow/Blocks/SettingsTextEditor.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/ActionSettings.h"
#include "SettingsWindow/Tabs/KnowledgeSettings.h"
#include "SettingsWindow/Tabs/LearnedActionCard.h"
#include "SettingsWindow/Tabs/NoteCard.h"

namespace {

AssistantAction learned(const QString& id, AssistantAction::Kind kind) {
    AssistantAction action;
    action.id = id;
    action.name = id;
    action.trigger = QStringLiteral("wenn ") + id;
    action.kind = kind;
    return action;
}

void settle() {
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::processEvents();
}

}  // namespace

TEST(ActionSettingsTest, ShowsTheRowsOfEachKind) {
    using Kind = AssistantAction::Kind;
    const struct {
        Kind kind;
        QStringList rows;
        const char* when;
    } cases[] = {
        {Kind::githubIssue, {"Name", "Wann", "Wie"}, "GitHub-Issue"},
        {Kind::githubComment, {"Name", "Wann", "Wie"}, nullptr},
        {Kind::shell, {"Name", "Wann", "Wie", "Befehl"}, "Befehl"},
        {Kind::openURL, {"Name", "Wann", "Wie", "Link"}, "Link öffnen"},
    };
    for (const auto& c : cases) {
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update(
            [&](auto& s) { s.customActions = {learned(QStringLiteral("a"), c.kind)}; });
        ActionSettings tab(coordinator);
        ASSERT_EQ(tab.cards().size(), 1);
        EXPECT_EQ(tab.cards()[0]->rowTitles(), c.rows) << title(c.kind).toStdString();
        EXPECT_EQ(tab.cards()[0]->templateField() != nullptr, c.rows.size() == 4);
        EXPECT_EQ(tab.builtInRows().size(), AssistantAction::builtIns().size());
        if (c.when) {
            EXPECT_EQ(title(c.kind), QString::fromUtf8(c.when));
        }
        EXPECT_EQ(tab.emptyNote(), nullptr);
    }
    FakeSettingsCoordinator none;
    ActionSettings empty(none);
    EXPECT_TRUE(empty.cards().isEmpty());
    EXPECT_NE(empty.emptyNote(), nullptr);
}

TEST(ActionSettingsTest, DeletesByIdAndAStaleSecondClickRemovesNothingElse) {
    using Kind = AssistantAction::Kind;
    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([&](auto& s) {
        s.customActions = {learned(QStringLiteral("twin"), Kind::shell),
                           learned(QStringLiteral("keep"), Kind::openURL),
                           learned(QStringLiteral("twin"), Kind::githubIssue),
                           learned(QStringLiteral("last"), Kind::shell)};
    });
    ActionSettings tab(coordinator);
    ASSERT_EQ(tab.cards().size(), 4);
    StyledButton* remove = tab.cards()[0]->deleteButton();
    // A double click: both presses arrive before the list is drawn again.
    remove->click();
    remove->click();
    settle();
    QStringList left;
    for (const AssistantAction& action : coordinator.settings().settings().customActions)
        left.append(action.id);
    EXPECT_EQ(left, (QStringList{"keep", "last"}));
    ASSERT_EQ(tab.cards().size(), 2);

    // An edit from a card whose place now holds another action goes nowhere.
    QTest::keyClicks(tab.cards()[1]->nameField(), "X");
    EXPECT_EQ(coordinator.settings().settings().customActions[1].name, "lastX");
    EXPECT_EQ(coordinator.settings().settings().customActions[0].name, "keep");
}

// Every keystroke is one save, and the field keeps the focus: the tab must not rebuild the
// control the user types in.
TEST(ActionSettingsTest, TypingSavesEachCharacterAndKeepsTheFocus) {
    const struct {
        const char* name;
        std::function<QWidget*(SettingsCoordinator&, std::unique_ptr<QWidget>&)> field;
        std::function<QString(const AssistantSettings&)> stored;
    } cases[] = {
        {"action name",
         [](SettingsCoordinator& c, std::unique_ptr<QWidget>& tab) {
             auto* actions = new ActionSettings(c);
             tab.reset(actions);
             return actions->cards()[0]->nameField();
         },
         [](const AssistantSettings& s) { return s.customActions[0].name; }},
        {"action occasion",
         [](SettingsCoordinator& c, std::unique_ptr<QWidget>& tab) {
             auto* actions = new ActionSettings(c);
             tab.reset(actions);
             return actions->cards()[0]->triggerField();
         },
         [](const AssistantSettings& s) { return s.customActions[0].trigger; }},
        {"about me",
         [](SettingsCoordinator& c, std::unique_ptr<QWidget>& tab) {
             auto* knowledge = new KnowledgeSettings(c);
             tab.reset(knowledge);
             return knowledge->aboutMe()->editor();
         },
         [](const AssistantSettings& s) { return s.aboutMe; }},
        {"knowledge",
         [](SettingsCoordinator& c, std::unique_ptr<QWidget>& tab) {
             auto* knowledge = new KnowledgeSettings(c);
             tab.reset(knowledge);
             return knowledge->knowledge()->editor();
         },
         [](const AssistantSettings& s) { return s.knowledge; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([](auto& s) {
            s.customActions = {learned(QStringLiteral("a"), AssistantAction::Kind::shell)};
            s.customActions[0].name.clear();
            s.customActions[0].trigger.clear();
        });
        std::unique_ptr<QWidget> tab;
        QWidget* field = c.field(coordinator, tab);
        tab->show();
        tab->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
        field->setFocus();
        int saves = 0;
        QObject::connect(&coordinator.settings(), &SettingsStore::settingsChanged,
                         [&] { ++saves; });
        // Blanks around the text stay: nothing here trims.
        QTest::keyClicks(field, " Hallo ");
        settle();
        EXPECT_EQ(saves, 7);
        EXPECT_EQ(c.stored(coordinator.settings().settings()), " Hallo ");
        EXPECT_TRUE(field->hasFocus());
        EXPECT_TRUE(coordinator.settingsFile().contains(" Hallo "));
    }
}

// A stored command that every run would refuse carries the refusal under its template, and
// loses it as soon as the template is edited into one that runs.
TEST(ActionSettingsTest, ACommandEveryRunWouldRefuseIsMarked) {
    using Kind = AssistantAction::Kind;
    const struct {
        Kind kind;
        const char* text;
        QStringList parameters;
        const char* message;  // nullptr: no mark
    } cases[] = {
        {Kind::shell,
         "eval {{cmd}}",
         {"cmd"},
         "Tavrin würde diesen Befehl nicht ausführen: Die Shell würde den Wert von „{{cmd}}“ als "
         "Befehl ausführen („eval“). Setz den Platzhalter dort ein, wo er nur Text ist, etwa "
         "als Argument eines Befehls."},
        {Kind::shell, "git -C {{project_path}} log --grep {{q}}", {"q"}, nullptr},
        {Kind::openURL, "https://example.org/?q={{q}}", {"q"}, nullptr},
        // A stored link over two lines is no one address.
        {Kind::openURL,
         "https://evil.example/?x=\nhttps://example.org/?q={{q}}",
         {"q"},
         "Tavrin würde diesen Link nicht öffnen: Ein Link ist eine einzige Adresse, ohne "
         "Zeilenumbrüche und Steuerzeichen."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([&](auto& s) {
            s.customActions = {learned(QStringLiteral("a"), c.kind)};
            s.customActions[0].templateText = QString::fromUtf8(c.text);
            s.customActions[0].parameters = c.parameters;
        });
        ActionSettings tab(coordinator);
        tab.show();
        const LearnedActionCard* card = tab.cards()[0];
        const bool marked = card->refusalLine() && card->refusalLine()->isVisibleTo(&tab);
        EXPECT_EQ(marked, c.message != nullptr);
        if (c.message) {
            EXPECT_EQ(card->refusalText()->text(), QString::fromUtf8(c.message));
        }
    }

    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([&](auto& s) {
        s.customActions = {learned(QStringLiteral("a"), Kind::shell)};
        s.customActions[0].templateText = QStringLiteral("eval {{cmd}}");
        s.customActions[0].parameters = {QStringLiteral("cmd")};
    });
    ActionSettings tab(coordinator);
    tab.show();
    QPlainTextEdit* command = tab.cards()[0]->templateField();
    command->selectAll();
    QTest::keyClicks(command, "echo {{cmd}}");
    settle();
    EXPECT_EQ(coordinator.settings().settings().customActions[0].templateText, "echo {{cmd}}");
    EXPECT_FALSE(tab.cards()[0]->refusalLine()->isVisibleTo(&tab));
}
