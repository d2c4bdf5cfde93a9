#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserDefaults.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"
#include "support/Lines.h"
#include "support/XcbPlatform.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Name;
using GlobalShortcuts::Shortcut;

namespace {

// Keys go in through XTest, as a keyboard would press them; openbox holds its own
// combinations as a desktop's window manager does.
bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool xdotool(const QStringList& arguments) {
    return run("xdotool", arguments);
}

QProcess* windowManager = nullptr;

// A grab of exactly one modifier combination, as a program that forgot the lock keys makes.
bool grabOneVariant(Platform::XcbConnection& connection, xcb_keysym_t keysym, quint16 modifiers) {
    xcb_connection_t* c = connection.connection();
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t key = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    auto error = Platform::owned(
        xcb_request_check(c, xcb_grab_key_checked(c, 1, connection.root(), modifiers, key,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    return key && !error;
}

class GlobalShortcutsX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        windowManager = new QProcess;
        windowManager->start("openbox", {"--sm-disable"});
        windowManager->waitForStarted(5000);
        // openbox's bindings are in place once its Alt+Space is taken. (The root window's
        // window-manager property may still name the openbox of an earlier test.)
        Platform::X11HotKeyGrabber probe;
        const bool ready = QTest::qWaitFor(
            [&] { return probe.isReserved(Key::space.rawValue, int(Modifier::Option)); }, 10000);
        if (!ready)
            ADD_FAILURE() << "openbox did not start";
    }
    static void TearDownTestSuite() {
        windowManager->terminate();
        windowManager->waitForFinished(5000);
        delete windowManager;
        windowManager = nullptr;
    }
    void TearDown() override {
        xdotool({"keyup", "ctrl", "shift", "alt", "F7"});
        run("setxkbmap", {"us"});
    }

    void record(const Name& name) {
        shortcuts.onKeyDown(name, [this, name] { events << name.rawValue + "↓"; });
        shortcuts.onKeyUp(name, [this, name] { events << name.rawValue + "↑"; });
    }
    bool waitForEvents(int count) {
        return QTest::qWaitFor([&] { return events.size() >= count; }, 5000);
    }

    Platform::FakeUserDefaults defaults;
    Platform::X11HotKeyGrabber grabber;
    Platform::FakeSystemLog log;
    GlobalShortcuts::NamedShortcuts shortcuts{defaults, grabber, log};
    QStringList events;
    const Name dictate{"dictateOnly"};
    const Shortcut controlShiftF7{Key::f7, Modifier::Control | Modifier::Shift};
};

}  // namespace

TEST_F(GlobalShortcutsX11Test, AHeldShortcutGivesOnePressAndOneRelease) {
    shortcuts.setShortcut(controlShiftF7, dictate);
    record(dictate);
    ASSERT_TRUE(shortcuts.isEnabled(dictate));
    EXPECT_TRUE(grabber.hasDetectableAutoRepeat());

    const struct {
        const char* lock;
        bool modifiersFirst;
    } cases[] = {
        {nullptr, false}, {"Num_Lock", false}, {"Caps_Lock", false},
        {nullptr, true},  {"Num_Lock", true},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.lock ? c.lock : "no lock") +
                                 (c.modifiersFirst ? ", modifiers let go first" : "");
        events.clear();
        if (c.lock) {
            ASSERT_TRUE(xdotool({"key", c.lock})) << what;
        }
        ASSERT_TRUE(xdotool({"keydown", "ctrl+shift+F7"})) << what;
        // Long enough for the keyboard's repeat to start.
        QTest::qWait(900);
        if (c.modifiersFirst) {
            xdotool({"keyup", "ctrl+shift"});
            QTest::qWait(50);
        }
        xdotool({"keyup", "F7"});
        xdotool({"keyup", "ctrl+shift"});
        EXPECT_TRUE(waitForEvents(2)) << what;
        QTest::qWait(300);
        EXPECT_EQ(joined(events), joined(QStringList({"dictateOnly↓", "dictateOnly↑"}))) << what;
        if (c.lock)
            xdotool({"key", c.lock});
    }
}

TEST_F(GlobalShortcutsX11Test, TheWindowManagersAltSpaceIsRefusedAndReported) {
    const Name invoke("invokeAssistant", Shortcut(Key::space, Modifier::Option));
    QSignalSpy enabled(&shortcuts, &GlobalShortcuts::NamedShortcuts::enabledChanged);
    shortcuts.create(invoke);
    record(invoke);

    EXPECT_EQ(shortcuts.getShortcut(invoke), Shortcut(Key::space, Modifier::Option));
    EXPECT_FALSE(shortcuts.isEnabled(invoke));
    EXPECT_EQ(joined(log.lines),
              joined(QStringList({"[Tavrin] Error registering hotkey Alt+Leertaste: -10"})));
    EXPECT_TRUE(shortcuts.registry().isSystemShortcut(Shortcut(Key::space, Modifier::Option)));

    shortcuts.setShortcut(Shortcut(Key::space, Modifier::Option | Modifier::Shift), invoke);
    EXPECT_TRUE(shortcuts.isEnabled(invoke));
    ASSERT_EQ(enabled.size(), 1);
    EXPECT_TRUE(enabled.at(0).at(1).toBool());
}

TEST_F(GlobalShortcutsX11Test, AnotherProgramsGrabMakesOursRefused) {
    const Shortcut controlShiftF8(Key::f8, Modifier::Control | Modifier::Shift);
    Platform::X11HotKeyGrabber other;
    ASSERT_EQ(other.grab(1, controlShiftF8.carbonKeyCode, controlShiftF8.carbonModifiers),
              Platform::HotKeyGrabber::Status::Accepted);
    EXPECT_FALSE(other.isReserved(controlShiftF8.carbonKeyCode, controlShiftF8.carbonModifiers))
        << "our own grab is no reservation";

    EXPECT_TRUE(shortcuts.registry().isSystemShortcut(controlShiftF8));
    shortcuts.setShortcut(controlShiftF8, dictate);
    EXPECT_FALSE(shortcuts.isEnabled(dictate));
    EXPECT_EQ(joined(log.lines),
              joined(QStringList({"[Tavrin] Error registering hotkey Strg+Umschalt+F8: -10"})));

    other.release(1);
    shortcuts.setShortcut(controlShiftF8, dictate);
    EXPECT_TRUE(shortcuts.isEnabled(dictate));
}

TEST_F(GlobalShortcutsX11Test, ALayoutChangeRenamesKeysAndKeepsTheGrabs) {
    shortcuts.setShortcut(controlShiftF7, dictate);
    record(dictate);
    const Shortcut controlZ(Key::z, Modifier::Control);
    EXPECT_EQ(shortcuts.describe(controlZ), "Strg+Z");
    EXPECT_EQ(grabber.character(Key::y.rawValue), U'y');

    QSignalSpy changed(&grabber, &Platform::HotKeyGrabber::layoutChanged);
    ASSERT_TRUE(run("setxkbmap", {"de"}));
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_EQ(shortcuts.describe(controlZ), "Strg+Y");
    EXPECT_EQ(grabber.character(Key::y.rawValue), U'z');
    // A dead key shows its spacing form: the key left of 1 types ^ on a German keyboard.
    EXPECT_EQ(grabber.character(Key::backtick.rawValue), U'^');

    xdotool({"key", "ctrl+shift+F7"});
    EXPECT_TRUE(waitForEvents(2));
    EXPECT_TRUE(shortcuts.isEnabled(dictate));
}

TEST_F(GlobalShortcutsX11Test, AnOpenMenuHoldsTheKeyboardAndTheShortcutStillWorks) {
    shortcuts.setShortcut(controlShiftF7, dictate);
    record(dictate);
    QMenu menu;
    menu.addAction("Einstellungen");
    menu.popup(QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_TRUE(shortcuts.registry().isMenuOpen());
    // The menu's keyboard grab is in place once it is shown; the key reaches it as a Qt event.
    QTest::qWait(200);
    xdotool({"key", "ctrl+shift+F7"});
    EXPECT_TRUE(waitForEvents(2));
    EXPECT_TRUE(menu.isVisible());

    menu.hide();
    EXPECT_FALSE(shortcuts.registry().isMenuOpen());
    xdotool({"key", "ctrl+shift+F7"});
    EXPECT_TRUE(waitForEvents(4));
    EXPECT_EQ(
        joined(events),
        joined(QStringList({"dictateOnly↓", "dictateOnly↑", "dictateOnly↓", "dictateOnly↑"})));
}

TEST_F(GlobalShortcutsX11Test, AHalfTakenCombinationIsGivenBackWhole) {
    constexpr xcb_keysym_t f8 = 0xffc5;
    constexpr quint16 controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    auto other = Platform::XcbConnection::open();
    ASSERT_TRUE(other);
    // Num Lock sits on Mod2 on this server.
    ASSERT_TRUE(grabOneVariant(*other, f8, controlShift | XCB_MOD_MASK_2));

    shortcuts.setShortcut(Shortcut(Key::f8, Modifier::Control | Modifier::Shift), dictate);
    EXPECT_FALSE(shortcuts.isEnabled(dictate));
    auto third = Platform::XcbConnection::open();
    EXPECT_TRUE(grabOneVariant(*third, f8, controlShift))
        << "the variants we did get are given back";
}
