#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>

#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"
#include "SettingsWindow/Blocks/MinusButton.h"
#include "SettingsWindow/Blocks/SettingsTextEditor.h"
#include "SettingsWindow/Blocks/TextRowButton.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/KnowledgeSettings.h"
#include "SettingsWindow/Tabs/NoteCard.h"
#include "SettingsWindow/Tabs/StyleSettings.h"
#include "SettingsWindow/Tabs/ToneChip.h"

namespace {

void settleStyle() {
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::processEvents();
}

ToneChip* chip(StyleSettings& tab, TonePreset preset) {
    for (ToneChip* c : tab.chips())
        if (c->preset() == preset)
            return c;
    return nullptr;
}

}  // namespace

TEST(StyleSettingsTest, ChipsKeepTheOrderOfChoosing) {
    using T = TonePreset;
    const struct {
        const char* name;
        QList<T> stored;
        QList<T> taps;
        QList<T> result;
    } cases[] = {
        {"two chosen", {}, {T::warm, T::casual}, {T::warm, T::casual}},
        {"one taken back", {}, {T::warm, T::casual, T::warm}, {T::casual}},
        {"stored twice goes with one tap", {T::short_, T::warm, T::short_}, {T::short_}, {T::warm}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([&](auto& s) { s.tonePresets = c.stored; });
        StyleSettings tab(coordinator);
        for (const T preset : c.taps)
            chip(tab, preset)->click();
        EXPECT_EQ(coordinator.settings().settings().tonePresets, c.result);
        for (const T preset : allTonePresets())
            EXPECT_EQ(chip(tab, preset)->isSelected(), c.result.contains(preset));
    }
}

TEST(StyleSettingsTest, AddsTrimmedRulesAndClosesTheField) {
    const struct {
        const char* typed;
        bool byReturn;
        QStringList rules;
    } cases[] = {
        {"  Immer duzen  ", true, {"Immer duzen"}},
        {"  Immer duzen  ", false, {"Immer duzen"}},
        {"   ", true, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        FakeSettingsCoordinator coordinator;
        StyleSettings tab(coordinator);
        tab.addRuleButton()->click();
        ASSERT_TRUE(tab.ruleField()->isVisibleTo(&tab));
        EXPECT_EQ(tab.addRuleButton()->text(), "Übernehmen");
        QTest::keyClicks(tab.ruleField(), c.typed);
        if (c.byReturn)
            QTest::keyClick(tab.ruleField(), Qt::Key_Return);
        else
            tab.addRuleButton()->click();
        EXPECT_EQ(coordinator.settings().settings().rules, c.rules);
        EXPECT_TRUE(tab.ruleField()->text().isEmpty());
        EXPECT_FALSE(tab.ruleField()->isVisibleTo(&tab));
        EXPECT_EQ(tab.addRuleButton()->text(), "+ Regel hinzufügen");
    }
}

// Twin rules are two rows; a double click on the first row's button removes one rule, not
// the twin that takes its place.
TEST(StyleSettingsTest, RemovesOnlyItsOwnRule) {
    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([](auto& s) { s.rules = {"Du", "Du", "Kurz"}; });
    StyleSettings tab(coordinator);
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    ASSERT_EQ(tab.ruleRemoveButtons().size(), 3);
    MinusButton* first = tab.ruleRemoveButtons()[0];
    QTest::mouseClick(first, Qt::LeftButton);
    settleStyle();
    // The double click's second half reaches the twin's row, which now lies under the pointer.
    ASSERT_EQ(tab.ruleRemoveButtons().size(), 2);
    QTest::mouseDClick(tab.ruleRemoveButtons()[0], Qt::LeftButton);
    QTest::mouseRelease(tab.ruleRemoveButtons()[0], Qt::LeftButton);
    settleStyle();
    EXPECT_EQ(coordinator.settings().settings().rules, (QStringList{"Du", "Kurz"}));
    // A click from a row whose place now holds another rule removes nothing.
    first->click();
    EXPECT_EQ(coordinator.settings().settings().rules, (QStringList{"Du", "Kurz"}));
    ASSERT_EQ(tab.ruleRemoveButtons().size(), 2);
    tab.ruleRemoveButtons()[1]->click();
    EXPECT_EQ(coordinator.settings().settings().rules, QStringList{"Du"});
}

TEST(StyleSettingsTest, LearnsOnceAtATimeAndSurvivesItsOwnEnd) {
    FakeSettingsCoordinator coordinator;
    auto tab = std::make_unique<StyleSettings>(coordinator);
    EXPECT_EQ(tab->learnButton()->text(), "Jetzt lernen");
    tab->learnButton()->click();
    EXPECT_FALSE(tab->learnButton()->isEnabled());
    EXPECT_EQ(tab->learnButton()->text(), "Lernt …");
    tab->learnButton()->click();
    ASSERT_EQ(coordinator.learningRuns.size(), 1);
    coordinator.learningRuns.takeFirst()(std::nullopt);
    EXPECT_TRUE(tab->learnButton()->isEnabled());
    EXPECT_EQ(tab->learnButton()->text(), "Jetzt lernen");

    // The run ends after the tab was rebuilt: nothing is written into the old one.
    tab->learnButton()->click();
    ASSERT_EQ(coordinator.learningRuns.size(), 1);
    tab.reset();
    auto fresh = std::make_unique<StyleSettings>(coordinator);
    coordinator.learningRuns.takeFirst()(QStringLiteral("Kein Grund"));
    EXPECT_TRUE(fresh->learnButton()->isEnabled());
    EXPECT_TRUE(fresh->learnNote()->isHidden());
}

// "Jetzt lernen" answers even when it cannot learn: it says why, until the next run.
TEST(StyleSettingsTest, ARunThatLearnsNothingSaysWhy) {
    FakeSettingsCoordinator coordinator;
    StyleSettings tab(coordinator);
    const QString why = QStringLiteral("Noch nichts zum Lernen");
    const std::pair<std::optional<QString>, bool> runs[] = {{why, true}, {std::nullopt, false}};
    for (const auto& [notLearned, shown] : runs) {
        tab.learnButton()->click();
        EXPECT_TRUE(tab.learnNote()->isHidden()) << "while it runs";
        coordinator.learningRuns.takeFirst()(notLearned);
        EXPECT_EQ(!tab.learnNote()->isHidden(), shown);
        EXPECT_EQ(tab.learnNote()->text(), shown ? why : QString());
    }
}

TEST(StyleSettingsTest, ResetEmptiesTheDescriptionAndTheSignals) {
    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([](auto& s) { s.learnedStyle = QStringLiteral(" \n "); });
    coordinator.memory().addStyleSignal(QStringLiteral("kürzer"));
    coordinator.memory().addStyleSignal(QStringLiteral("ohne Gruß"));
    StyleSettings tab(coordinator);
    EXPECT_EQ(tab.signalCount()->text(), "2 Beispiele gesammelt");
    // Blank text counts as nothing learned.
    EXPECT_FALSE(tab.learnedPlaceholder()->isHidden());
    coordinator.settings().update([](auto& s) { s.learnedStyle = QStringLiteral("Knapp."); });
    EXPECT_TRUE(tab.learnedPlaceholder()->isHidden());
    EXPECT_EQ(tab.learnedEditor()->toPlainText(), "Knapp.");

    tab.resetButton()->click();
    EXPECT_EQ(coordinator.settings().settings().learnedStyle, "");
    EXPECT_TRUE(coordinator.memory().data().styleSignals.isEmpty());
    EXPECT_EQ(tab.signalCount()->text(), "0 Beispiele gesammelt");
    EXPECT_FALSE(tab.learnedPlaceholder()->isHidden());

    // Learning off hides the block; the texts stay.
    coordinator.settings().update([](auto& s) {
        s.learnStyle = false;
        s.styleExamples = QStringLiteral("Hallo!");
    });
    EXPECT_TRUE(tab.learnedBlock()->isHidden());
    EXPECT_EQ(coordinator.settings().settings().styleExamples, "Hallo!");
}

// The free texts keep a typed tab like any other character; Control+Tab leads on to the next
// control and Shift+Tab back, so the keyboard still gets out of the editor.
TEST(StyleSettingsTest, TheNoteEditorsTakeATabAndLetTheKeyboardOut) {
    using Editor = std::function<QWidget*(SettingsCoordinator&, std::unique_ptr<QWidget>&)>;
    const auto style = [](SettingsTextEditor* (StyleSettings::*editor)() const) -> Editor {
        return [editor](SettingsCoordinator& c, std::unique_ptr<QWidget>& tab) {
            auto* made = new StyleSettings(c);
            tab.reset(made);
            return (made->*editor)();
        };
    };
    const auto knowledge = [](NoteCard* (KnowledgeSettings::*card)() const) -> Editor {
        return [card](SettingsCoordinator& c, std::unique_ptr<QWidget>& tab) {
            auto* made = new KnowledgeSettings(c);
            tab.reset(made);
            return (made->*card)()->editor();
        };
    };
    const struct {
        const char* name;
        Editor editor;
        std::function<QString(const AssistantSettings&)> stored;
    } cases[] = {
        {"about me", knowledge(&KnowledgeSettings::aboutMe),
         [](const AssistantSettings& s) { return s.aboutMe; }},
        {"knowledge", knowledge(&KnowledgeSettings::knowledge),
         [](const AssistantSettings& s) { return s.knowledge; }},
        {"tone", style(&StyleSettings::toneEditor),
         [](const AssistantSettings& s) { return s.tone; }},
        {"learned style", style(&StyleSettings::learnedEditor),
         [](const AssistantSettings& s) { return s.learnedStyle; }},
        {"own examples", style(&StyleSettings::examplesEditor),
         [](const AssistantSettings& s) { return s.styleExamples; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([](auto& s) { s.learnStyle = true; });
        std::unique_ptr<QWidget> tab;
        QWidget* editor = c.editor(coordinator, tab);
        tab->show();
        tab->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
        editor->setFocus();
        QTest::keyClicks(editor, "a");
        QTest::keyClick(editor, Qt::Key_Tab);
        QTest::keyClicks(editor, "b");
        settleStyle();
        // Typed at the start of whatever the editor held.
        EXPECT_TRUE(c.stored(coordinator.settings().settings()).startsWith("a\tb"));
        EXPECT_TRUE(editor->hasFocus());

        QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_FALSE(editor->hasFocus()) << "Control+Tab";
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_FALSE(editor->hasFocus()) << "Shift+Tab";
        EXPECT_TRUE(c.stored(coordinator.settings().settings()).startsWith("a\tb"));
    }
}
