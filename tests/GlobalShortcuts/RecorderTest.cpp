#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "GlobalShortcuts/RecorderControl.h"
#include "GlobalShortcuts/RecorderDecision.h"
#include "GlobalShortcuts/Strings.h"
#include "support/FakeShortcuts.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Name;
using GlobalShortcuts::RecorderDecision;
using GlobalShortcuts::RecorderEvent;
using GlobalShortcuts::Shortcut;
using Action = RecorderDecision::Action;

TEST(RecorderDecisionTest, Decisions) {
    const Shortcut controlO(Key::o, Modifier::Control);
    const Shortcut controlAltF1(Key::f1, Modifier::Control | Modifier::Option);
    const auto menuItemUsing = [&](const Shortcut& shortcut) -> std::optional<QString> {
        if (shortcut == controlO)
            return QString("Öffnen");
        return std::nullopt;
    };
    const auto reserved = [&](const Shortcut& shortcut) {
        return shortcut == controlAltF1 || shortcut == Shortcut(Key::f12, {});
    };
    const auto key = [](int qtKey, Qt::KeyboardModifiers modifiers,
                        std::optional<Shortcut> shortcut) {
        return RecorderEvent{RecorderEvent::Kind::KeyPress, qtKey, modifiers, shortcut};
    };
    const struct {
        const char* what;
        RecorderEvent event;
        RecorderDecision decision;
    } cases[] = {
        {"Escape", key(Qt::Key_Escape, {}, Shortcut(Key::escape, {})), {Action::EndAndSwallow}},
        {"Shift+Escape is just a Shift combination",
         key(Qt::Key_Escape, Qt::ShiftModifier, Shortcut(Key::escape, Modifier::Shift)),
         {Action::Beep}},
        {"Super+Escape",
         key(Qt::Key_Escape, Qt::MetaModifier, Shortcut(Key::escape, Modifier::Command)),
         {Action::Store, Shortcut(Key::escape, Modifier::Command)}},
        {"Alt+Space",
         key(Qt::Key_Space, Qt::AltModifier, Shortcut(Key::space, Modifier::Option)),
         {Action::Store, Shortcut(Key::space, Modifier::Option)}},
        {"F5", key(Qt::Key_F5, {}, Shortcut(Key::f5, {})), {Action::Store, Shortcut(Key::f5, {})}},
        {"Shift+F5",
         key(Qt::Key_F5, Qt::ShiftModifier, Shortcut(Key::f5, Modifier::Shift)),
         {Action::Store, Shortcut(Key::f5, Modifier::Shift)}},
        {"F24 has no stored code", key(Qt::Key_F24, {}, std::nullopt), {Action::Beep}},
        {"A", key(Qt::Key_A, {}, Shortcut(Key::a, {})), {Action::Beep}},
        {"Shift+A",
         key(Qt::Key_A, Qt::ShiftModifier, Shortcut(Key::a, Modifier::Shift)),
         {Action::Beep}},
        {"Return", key(Qt::Key_Return, {}, Shortcut(Key::return_, {})), {Action::Beep}},
        {"Space", key(Qt::Key_Space, {}, Shortcut(Key::space, {})), {Action::Beep}},
        {"Backspace", key(Qt::Key_Backspace, {}, Shortcut(Key::delete_, {})), {Action::Clear}},
        {"Delete", key(Qt::Key_Delete, {}, Shortcut(Key::deleteForward, {})), {Action::Clear}},
        {"Control+Backspace is a combination",
         key(Qt::Key_Backspace, Qt::ControlModifier, Shortcut(Key::delete_, Modifier::Control)),
         {Action::Store, Shortcut(Key::delete_, Modifier::Control)}},
        {"Tab", key(Qt::Key_Tab, {}, Shortcut(Key::tab, {})), {Action::EndAndPass}},
        {"Shift alone", key(Qt::Key_Shift, Qt::ShiftModifier, std::nullopt), {Action::Ignore}},
        {"AltGr alone", key(Qt::Key_AltGr, {}, std::nullopt), {Action::Ignore}},
        {"AltGr is no modifier of a shortcut",
         key(Qt::Key_Q, Qt::GroupSwitchModifier, Shortcut(Key::q, {})),
         {Action::Beep}},
        {"a clash with a menu item",
         key(Qt::Key_O, Qt::ControlModifier, controlO),
         {Action::MenuClash, controlO, "Öffnen"}},
        {"a reserved combination",
         key(Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier, controlAltF1),
         {Action::SystemClash, controlAltF1}},
        {"plain F12 is never checked",
         key(Qt::Key_F12, {}, Shortcut(Key::f12, {})),
         {Action::Store, Shortcut(Key::f12, {})}},
        {"a click inside", {RecorderEvent::Kind::MouseUpInside}, {Action::Swallow}},
        {"a click outside", {RecorderEvent::Kind::MouseUpOutside}, {Action::EndAndPass}},
    };
    for (const auto& c : cases) {
        const RecorderDecision decision =
            GlobalShortcuts::decideRecording(c.event, menuItemUsing, reserved);
        EXPECT_EQ(int(decision.action), int(c.decision.action)) << c.what;
        EXPECT_EQ(decision.shortcut, c.decision.shortcut) << c.what;
        EXPECT_EQ(decision.menuItemTitle, c.decision.menuItemTitle) << c.what;
    }
}

namespace {

class RecorderControlTest : public ::testing::Test, protected FakeShortcuts {
protected:
    void SetUp() override {
        shortcuts.create(invoke);
        window.resize(300, 100);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void startRecording() {
        control->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(control->isRecording());
    }
    QMessageBox* alert() { return window.findChild<QMessageBox*>(); }

    const Name invoke{"invokeAssistant", Shortcut(Key::space, Modifier::Option)};
    QWidget window;
    QList<std::optional<Shortcut>> changes;
    GlobalShortcuts::RecorderControl* control = new GlobalShortcuts::RecorderControl(
        shortcuts, invoke, [this](const std::optional<Shortcut>& s) { changes << s; }, &window);
};

}  // namespace

TEST_F(RecorderControlTest, RecordsPausesAndClears) {
    QSignalSpy active(&shortcuts, &GlobalShortcuts::NamedShortcuts::recorderActiveStatusDidChange);
    EXPECT_EQ(control->text(), "Alt+Leertaste");
    startRecording();
    EXPECT_TRUE(shortcuts.isPaused());
    EXPECT_EQ(control->placeholderText(), GlobalShortcuts::Strings::text("press_shortcut"));

    QTest::keyClick(control, Qt::Key_A);
    EXPECT_EQ(control->text(), "Alt+Leertaste") << "a plain letter is refused";
    QTest::keyClick(control, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shortcuts.getShortcut(invoke), Shortcut(Key::k, Modifier::Control | Modifier::Shift));
    EXPECT_EQ(control->text(), "Strg+Umschalt+K");
    EXPECT_FALSE(control->isRecording());
    EXPECT_FALSE(shortcuts.isPaused());

    startRecording();
    QTest::keyClick(control, Qt::Key_Escape);
    EXPECT_FALSE(control->isRecording());
    EXPECT_EQ(shortcuts.getShortcut(invoke), Shortcut(Key::k, Modifier::Control | Modifier::Shift));

    startRecording();
    QTest::keyClick(control, Qt::Key_Backspace);
    EXPECT_EQ(shortcuts.getShortcut(invoke), std::nullopt);
    EXPECT_EQ(defaults.values.value("GlobalShortcuts_invokeAssistant"), QVariant(false));
    EXPECT_TRUE(control->isRecording()) << "recording goes on after a clear";
    control->clearFocus();

    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{
                           Shortcut(Key::k, Modifier::Control | Modifier::Shift), std::nullopt}));
    QList<bool> states;
    for (const QList<QVariant>& state : std::as_const(active))
        states << state.at(0).toBool();
    EXPECT_EQ(states, QList<bool>({true, false, true, false, true, false}));
}

TEST_F(RecorderControlTest, ClashesAreExplainedAndOnlyTheSystemOneCanBeForced) {
    QMenu menu;
    menu.addMenu("Mehr")->addAction("Öffnen")->setShortcut(QKeySequence("Ctrl+O"));
    shortcuts.setMainMenu(&menu);
    grabber.taken.insert({Key::f1.rawValue, int(Modifier::Control | Modifier::Option)});

    startRecording();
    QTest::keyClick(control, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->text(),
              "Dieses Tastenkürzel wird schon vom Menüeintrag „Öffnen“ verwendet.");
    EXPECT_EQ(alert()->buttons().size(), 1);
    EXPECT_FALSE(control->isRecording()) << "the alert has the keys";
    alert()->buttons().first()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return control->isRecording(); }))
        << "recording resumes after the alert";
    EXPECT_EQ(shortcuts.getShortcut(invoke), Shortcut(Key::space, Modifier::Option));

    const struct {
        const char* button;
        Shortcut expected;
    } answers[] = {
        {"OK", Shortcut(Key::space, Modifier::Option)},
        {"Trotzdem verwenden", Shortcut(Key::f1, Modifier::Control | Modifier::Option)},
    };
    for (const auto& answer : answers) {
        if (!control->isRecording())
            startRecording();
        QTest::keyClick(control, Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
        ASSERT_TRUE(alert()) << answer.button;
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : alert()->buttons()) {
            if (button->text() == answer.button)
                chosen = button;
        }
        ASSERT_TRUE(chosen) << answer.button;
        chosen->click();
        QTest::qWait(10);
        EXPECT_EQ(shortcuts.getShortcut(invoke), answer.expected) << answer.button;
    }
}

TEST_F(RecorderControlTest, AClickElsewhereEndsRecordingAndTheClearButtonStillClears) {
    control->move(10, 10);
    startRecording();
    // Within the slack around the field a click is the field's own.
    QTest::mouseClick(&window, Qt::LeftButton, {},
                      control->geometry().bottomRight() + QPoint(2, 2));
    EXPECT_TRUE(control->isRecording());
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(290, 90));
    EXPECT_FALSE(control->isRecording());

    startRecording();
    auto* clearButton = control->findChild<QToolButton*>();
    ASSERT_TRUE(clearButton);
    QTest::mouseClick(clearButton, Qt::LeftButton);
    EXPECT_EQ(shortcuts.getShortcut(invoke), std::nullopt);
    EXPECT_EQ(changes, QList<std::optional<Shortcut>>({std::nullopt}));
    EXPECT_TRUE(control->isRecording());
}

// A recorder records only when the user clicked or tabbed into it. Qt also moves the focus on
// its own, to the next widget when the focused one goes out of sight (a conflict notice that
// closes once its recorder stored a free combination): a recorder that took it so would store
// the next key pressed.
TEST(RecorderControlFocusTest, OnlyTheUserStartsARecording) {
    struct Window {
        QWidget window;
        QWidget* notice = new QWidget(&window);
        GlobalShortcuts::RecorderControl* first;
        GlobalShortcuts::RecorderControl* second;
        QLineEdit* after = new QLineEdit(&window);
    };
    const Name invoke{"invokeAssistant", Shortcut(Key::space, Modifier::Option)};
    const Name dictate{"dictateOnly"};
    const struct {
        const char* name;
        std::function<void(Window&)> act;
        bool secondRecords;
    } cases[] = {
        {"a click", [](Window& w) { QTest::mouseClick(w.second, Qt::LeftButton); }, true},
        {"Umschalt+Tab from the next field",
         [](Window& w) {
             w.after->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(w.after, Qt::Key_Backtab, Qt::ShiftModifier);
         },
         true},
        {"the recorder before it closing after a recording",
         [](Window& w) {
             w.first->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(w.first, Qt::Key_Space, Qt::AltModifier | Qt::ShiftModifier);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShortcuts keys;
        keys.shortcuts.create(invoke);
        Window w;
        auto* row = new QVBoxLayout(w.notice);
        w.first = new GlobalShortcuts::RecorderControl(
            keys.shortcuts, invoke, [&w](const std::optional<Shortcut>&) { w.notice->hide(); });
        row->addWidget(w.first);
        w.second = new GlobalShortcuts::RecorderControl(keys.shortcuts, dictate, {}, &w.window);
        w.second->move(0, 60);
        w.after->move(0, 100);
        QWidget::setTabOrder(w.first, w.second);
        QWidget::setTabOrder(w.second, w.after);
        w.window.resize(300, 140);
        w.window.show();
        w.window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));

        c.act(w);
        EXPECT_EQ(w.second->isRecording(), c.secondRecords);
        EXPECT_EQ(keys.shortcuts.isPaused(), c.secondRecords);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w.window,
                        Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
        EXPECT_EQ(keys.shortcuts.getShortcut(dictate).has_value(), c.secondRecords);
    }
}

// While a recorder listens our own combinations are given back, or their keys would never
// reach it. However the listening ends, they are ours again and run their handlers.
TEST(RecorderControlGrabsTest, OurCombinationsComeBackHoweverRecordingEnds) {
    struct Window {
        QWidget window;
        QWidget front;
        GlobalShortcuts::RecorderControl* recorder = nullptr;
        QLineEdit* next = new QLineEdit(&window);
    };
    const Shortcut altSpace(Key::space, Modifier::Option);
    const Name invoke{"invokeAssistant", altSpace};
    const Name dictate{"dictateOnly"};
    const struct {
        const char* name;
        std::function<void(Window&)> end;
    } cases[] = {
        {"a combination recorded",
         [](Window& w) {
             QTest::keyClick(w.recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
         }},
        {"Escape", [](Window& w) { QTest::keyClick(w.recorder, Qt::Key_Escape); }},
        {"a click elsewhere",
         [](Window& w) { QTest::mouseClick(&w.window, Qt::LeftButton, {}, QPoint(290, 130)); }},
        {"another window comes to the front",
         [](Window& w) {
             w.front.show();
             w.front.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&w.front));
         }},
        {"its window closes", [](Window& w) { w.window.close(); }},
        {"the recorder goes", [](Window& w) { delete w.recorder; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShortcuts keys;
        keys.shortcuts.create(invoke);
        int presses = 0;
        keys.shortcuts.onKeyDown(invoke, [&presses] { ++presses; });
        Window w;
        w.recorder = new GlobalShortcuts::RecorderControl(keys.shortcuts, dictate, {}, &w.window);
        w.next->move(0, 60);
        w.window.resize(300, 140);
        w.window.show();
        w.window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
        const auto grabbed = [&keys](const Shortcut& shortcut) {
            return keys.grabber.isGrabbed(shortcut.carbonKeyCode, shortcut.carbonModifiers);
        };

        w.recorder->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(w.recorder->isRecording());
        EXPECT_FALSE(grabbed(altSpace)) << "while it listens";
        c.end(w);
        EXPECT_FALSE(keys.shortcuts.isPaused());
        EXPECT_TRUE(grabbed(altSpace));
        if (const auto recorded = keys.shortcuts.getShortcut(dictate)) {
            EXPECT_TRUE(grabbed(*recorded));
        }
        keys.grabber.press(altSpace.carbonKeyCode, altSpace.carbonModifiers);
        EXPECT_EQ(presses, 1);
    }
}
