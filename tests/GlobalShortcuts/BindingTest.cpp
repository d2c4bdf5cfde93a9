#include <gtest/gtest.h>

#include <QAction>
#include <QShortcut>
#include <QWidget>

#include "GlobalShortcuts/MenuItemShortcut.h"
#include "GlobalShortcuts/ViewModifiers.h"
#include "support/FakeShortcuts.h"

using GlobalShortcuts::EventType;
using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Name;
using GlobalShortcuts::Shortcut;

namespace {

class BindingTest : public ::testing::Test, protected FakeShortcuts {
protected:
    const Name invoke{"invokeAssistant", Shortcut(Key::space, Modifier::Option)};
    const Name dictate{"dictateOnly"};
};

}  // namespace

TEST_F(BindingTest, AnActionFollowsItsNameAndIsOffWhileRecording) {
    shortcuts.create(invoke);
    QAction action;
    GlobalShortcuts::MenuItemShortcut::setShortcut(&action, dictate, shortcuts);
    GlobalShortcuts::MenuItemShortcut::setShortcut(&action, invoke, shortcuts);

    const struct {
        const char* step;
        std::function<void()> change;
        QKeySequence expected;
    } steps[] = {
        {"bound", [] {}, QKeySequence("Alt+Space")},
        {"another name changes",
         [&] { shortcuts.setShortcut(Shortcut(Key::k, Modifier::Control), dictate); },
         QKeySequence("Alt+Space")},
        {"the name changes",
         [&] { shortcuts.setShortcut(Shortcut(Key::f5, Modifier::Command), invoke); },
         QKeySequence("Meta+F5")},
        {"a recorder records", [&] { shortcuts.setRecorderActive(true); }, QKeySequence()},
        {"it stops", [&] { shortcuts.setRecorderActive(false); }, QKeySequence("Meta+F5")},
        {"the name is cleared", [&] { shortcuts.setShortcut(std::nullopt, invoke); },
         QKeySequence()},
        {"unbound and set again",
         [&] {
             GlobalShortcuts::MenuItemShortcut::setShortcut(&action, std::nullopt, shortcuts);
             shortcuts.setShortcut(Shortcut(Key::k, Modifier::Control), invoke);
         },
         QKeySequence()},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(action.shortcut().toString(), step.expected.toString()) << step.step;
    }
}

TEST_F(BindingTest, AQShortcutFollowsItsName) {
    QWidget window;
    QShortcut shortcut(&window);
    shortcuts.setShortcut(Shortcut(Key::k, Modifier::Control | Modifier::Shift), dictate);
    GlobalShortcuts::ViewModifiers::globalKeyboardShortcut(&shortcut, shortcuts, dictate);
    EXPECT_EQ(shortcut.key(), QKeySequence("Ctrl+Shift+K"));
    shortcuts.setShortcut(Shortcut(Key::keypad1, Modifier::Control), dictate);
    EXPECT_TRUE(shortcut.key().isEmpty()) << "keypad keys have no key sequence";
}

TEST_F(BindingTest, EventsEndWithTheirOwner) {
    const Shortcut controlK(Key::k, Modifier::Control);
    shortcuts.setShortcut(controlK, dictate);
    QList<EventType> all;
    int ups = 0;
    auto* owner = new QObject;
    GlobalShortcuts::ViewModifiers::onKeyboardShortcut(owner, shortcuts, dictate,
                                                       [&](EventType type) { all << type; });
    GlobalShortcuts::ViewModifiers::onKeyboardShortcut(owner, shortcuts, dictate, EventType::KeyUp,
                                                       [&] { ++ups; });
    grabber.press(controlK.carbonKeyCode, controlK.carbonModifiers);
    grabber.releaseKey(controlK.carbonKeyCode, controlK.carbonModifiers);
    EXPECT_EQ(all, QList<EventType>({EventType::KeyDown, EventType::KeyUp}));
    EXPECT_EQ(ups, 1);

    delete owner;
    EXPECT_FALSE(grabber.isGrabbed(controlK.carbonKeyCode, controlK.carbonModifiers));
    EXPECT_FALSE(grabber.press(controlK.carbonKeyCode, controlK.carbonModifiers));
    EXPECT_EQ(ups, 1);
}
