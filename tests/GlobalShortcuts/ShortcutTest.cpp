#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/MenuItemShortcut.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/Shortcut.h"
#include "GlobalShortcuts/Strings.h"
#include "Platform/fake/FakeHotKeyGrabber.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserDefaults.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Shortcut;

namespace {

const GlobalShortcuts::CharacterOf us = [](int keyCode) -> std::optional<char32_t> {
    Platform::FakeHotKeyGrabber grabber;
    return grabber.character(keyCode);
};

}  // namespace

TEST(ShortcutTest, PresentableDescription) {
    const struct {
        Shortcut shortcut;
        QString text;
    } cases[] = {
        {Shortcut(Key::space, Modifier::Option), "Alt+Leertaste"},
        {Shortcut(Key::space, Modifier::Option | Modifier::Shift), "Alt+Umschalt+Leertaste"},
        // The order of the names never follows the order in which the bits were given.
        {Shortcut(Key::f12,
                  Modifier::Command | Modifier::Shift | Modifier::Option | Modifier::Control),
         "Strg+Alt+Umschalt+Super+F12"},
        // Caps Lock's bit is no modifier of a shortcut.
        {Shortcut(0, 0x100 | 0x10000), "Super+A"},
        {Shortcut(Key::f5, Modifier::Function | Modifier::Control), "Strg+\U0001F310\uFE0E+F5"},
        {Shortcut(Key::keypadEnter, Modifier::Control), "Strg+\u21A9\u20E3"},
        {Shortcut(Key::escape, {}), "\u238B"},
        // Keys without a character in the layout.
        {Shortcut(Key::volumeUp, Modifier::Control), "Strg+\uFFFD"},
        {Shortcut(Key{4711}, Modifier::Control), "Strg+\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shortcut.presentableDescription(us), c.text) << c.text.toStdString();
}

TEST(ShortcutTest, DecodesOnlyWholeNumbersAndDropsUnknownModifierBits) {
    const struct {
        const char* json;
        std::optional<Shortcut> expected;
    } cases[] = {
        {R"({"carbonKeyCode":49,"carbonModifiers":2048})", Shortcut(Key::space, Modifier::Option)},
        {R"({"carbonModifiers":2048,"carbonKeyCode":49})", Shortcut(Key::space, Modifier::Option)},
        // A hand-edited value: the stray bit must not reach the grabs.
        {R"({"carbonKeyCode":49,"carbonModifiers":2049})", Shortcut(Key::space, Modifier::Option)},
        {R"({"carbonKeyCode":49})", std::nullopt},
        {R"({"carbonKeyCode":"49","carbonModifiers":2048})", std::nullopt},
        {R"({"carbonKeyCode":49.5,"carbonModifiers":2048})", std::nullopt},
        {R"({"carbonKeyCode":1e12,"carbonModifiers":2048})", std::nullopt},
        {"false", std::nullopt},
        {"not json", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto decoded = Shortcut::fromJson(c.json);
        EXPECT_EQ(decoded, c.expected) << c.json;
    }
    const Shortcut shortcut(Key::space, Modifier::Option);
    EXPECT_EQ(Shortcut::fromJson(shortcut.toJson()), shortcut);
    EXPECT_EQ(shortcut.toJson(), R"({"carbonKeyCode":49,"carbonModifiers":2048})");
}

TEST(ShortcutTest, MenuItemSearchIsDepthFirstAndCaseAware) {
    Platform::FakeUserDefaults defaults;
    Platform::FakeHotKeyGrabber grabber;
    Platform::FakeSystemLog log;
    GlobalShortcuts::NamedShortcuts shortcuts(defaults, grabber, log);

    QMenu menu;
    menu.addAction("Öffnen")->setShortcut(QKeySequence("Ctrl+O"));
    QMenu* more = menu.addMenu("Mehr");
    more->addAction("Tiefer")->setShortcut(QKeySequence("Ctrl+Shift+A"));
    menu.addAction("Später")->setShortcut(QKeySequence("Ctrl+Shift+A"));
    menu.addAction("Zahlen")->setShortcut(QKeySequence(Qt::Key_Enter));

    const auto title = [&](const Shortcut& shortcut) {
        const QAction* found =
            GlobalShortcuts::MenuItemShortcut::itemWithMatchingShortcut(menu, shortcut, shortcuts);
        return found ? found->text() : QString();
    };
    EXPECT_EQ(title(Shortcut(Key::o, Modifier::Control)), "Öffnen");
    EXPECT_EQ(title(Shortcut(Key::a, Modifier::Control | Modifier::Shift)), "Tiefer");
    EXPECT_EQ(title(Shortcut(Key::a, Modifier::Control)), "");
    // Keypad keys have no key sequence of their own, so no item can take them.
    EXPECT_EQ(title(Shortcut(Key::keypadEnter, {})), "");
}

TEST(ShortcutTest, AMissingTextShowsItsKey) {
    EXPECT_EQ(GlobalShortcuts::Strings::text("no_such_text"), "no_such_text");
}
