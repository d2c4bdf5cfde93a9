#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserDefaults.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"
#include "support/Lines.h"
#include "support/Programs.h"
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

// The window the user types in: counts the presses of F7 that reach it.
class WindowBehind final : public QWidget {
public:
    int f7Presses = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_F7)
            ++f7Presses;
    }
};

// Presses and releases Control+Shift+F7 through XTest on a connection of the calling thread.
class KeyPresser {
public:
    KeyPresser() : connection_(xcb_connect(nullptr, nullptr)) {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
        for (const xcb_keysym_t keysym :
             {0xffe3u /* Control_L */, 0xffe1u /* Shift_L */, 0xffc4u /* F7 */}) {
            xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
            keys_.push_back(codes ? codes[0] : 0);
            std::free(codes);
        }
        xcb_key_symbols_free(symbols);
        // A key code without symbols, whose mapping nobody misses.
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        auto mapping = Platform::owned(xcb_get_keyboard_mapping_reply(
            connection_,
            xcb_get_keyboard_mapping(connection_, setup->min_keycode,
                                     setup->max_keycode - setup->min_keycode + 1),
            nullptr));
        if (mapping) {
            perKey_ = mapping->keysyms_per_keycode;
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
            for (int key = setup->max_keycode; key >= setup->min_keycode && !spare_; --key) {
                const xcb_keysym_t* own = syms + (key - setup->min_keycode) * perKey_;
                if (std::all_of(own, own + perKey_, [](xcb_keysym_t sym) { return sym == 0; }))
                    spare_ = xcb_keycode_t(key);
            }
        }
    }
    ~KeyPresser() { xcb_disconnect(connection_); }

    bool ready() const {
        return !xcb_connection_has_error(connection_) && spare_ &&
               std::find(keys_.begin(), keys_.end(), 0) == keys_.end();
    }
    // Gives the spare key code a symbol, or takes it away again: the server tells every client
    // the keymap changed.
    void changeKeymap() {
        std::vector<xcb_keysym_t> syms(perKey_, 0);
        toggled_ = !toggled_;
        if (toggled_)
            syms[0] = 0xffd1;  // F20
        xcb_change_keyboard_mapping(connection_, 1, spare_, perKey_, syms.data());
        xcb_flush(connection_);
    }
    void pressShortcut() {
        for (const xcb_keycode_t key : keys_)
            xcb_test_fake_input(connection_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                                0);
        for (auto key = keys_.rbegin(); key != keys_.rend(); ++key)
            xcb_test_fake_input(connection_, XCB_KEY_RELEASE, *key, XCB_CURRENT_TIME, XCB_NONE, 0,
                                0, 0);
        // Answered once the server has handled the keys.
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_connection_t* connection_;
    std::vector<xcb_keycode_t> keys_;
    xcb_keycode_t spare_ = 0;
    int perKey_ = 1;
    bool toggled_ = false;
};

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
        // It must take on the windows the tests show (openbox sometimes misses one mapped in
        // its first moments), and its bindings are in place once its Alt+Space is taken.
        if (const ::testing::AssertionResult started = startWindowManager(*windowManager);
            !started)
            ADD_FAILURE() << started.message();
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

// The server takes the requests of different clients in an order of its own. Here it serves
// another client alone for a while (a server grab), as a busy server may: a combination we
// release must be free for that client as soon as release() returns, not only once the server
// gets round to our connection.
TEST_F(GlobalShortcutsX11Test, AReleasedCombinationIsFreeForOthersWhenReleaseReturns) {
    constexpr xcb_keysym_t f8 = 0xffc5;
    constexpr quint16 controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    const Shortcut controlShiftF8(Key::f8, Modifier::Control | Modifier::Shift);
    ASSERT_EQ(grabber.grab(1, controlShiftF8.carbonKeyCode, controlShiftF8.carbonModifiers),
              Platform::HotKeyGrabber::Status::Accepted);
    auto other = Platform::XcbConnection::open();
    ASSERT_TRUE(other);
    xcb_connection_t* o = other->connection();
    xcb_grab_server(o);
    std::free(xcb_get_input_focus_reply(o, xcb_get_input_focus(o), nullptr));
    std::thread letGo([o] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        xcb_ungrab_server(o);
        xcb_flush(o);
    });

    grabber.release(1);
    EXPECT_TRUE(grabOneVariant(*other, f8, controlShift));
    letGo.join();
}

TEST_F(GlobalShortcutsX11Test, APressRightAfterAKeymapChangeStillReachesTheShortcut) {
    shortcuts.setShortcut(controlShiftF7, dictate);
    record(dictate);
    ASSERT_TRUE(shortcuts.isEnabled(dictate));
    WindowBehind window;
    window.setGeometry(100, 100, 300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(xdotool({"windowactivate", "--sync", QString::number(window.winId())}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 5000));

    // The presses come from a thread of their own while this one handles the grabber's events,
    // from the instant of the change to a few milliseconds after, when the keymap is read anew.
    const struct {
        const char* name;
        std::function<void(KeyPresser&)> change;
    } cases[] = {
        {"a key code gets a symbol", [](KeyPresser& keys) { keys.changeKeymap(); }},
        {"the layout switches",
         [](KeyPresser&) {
             static bool german = false;
             german = !german;
             if (std::system(german ? "setxkbmap de" : "setxkbmap us") != 0)
                 ADD_FAILURE() << "setxkbmap failed";
         }},
    };
    constexpr int presses = 16;
    for (const auto& c : cases) {
        events.clear();
        window.f7Presses = 0;
        std::atomic<bool> ready{true};
        std::thread sender([&] {
            KeyPresser keys;
            if (!keys.ready()) {
                ready = false;
                return;
            }
            for (int i = 0; i < presses; ++i) {
                c.change(keys);
                std::this_thread::sleep_for(std::chrono::microseconds(500 * i));
                keys.pressShortcut();
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
        const bool all = QTest::qWaitFor([&] { return events.size() >= 2 * presses; }, 10000);
        sender.join();
        ASSERT_TRUE(ready) << "no spare key code";
        QTest::qWait(200);
        EXPECT_TRUE(all) << c.name;
        EXPECT_EQ(events.size(), 2 * presses) << c.name;
        EXPECT_EQ(events.count("dictateOnly↓"), presses) << c.name;
        EXPECT_EQ(window.f7Presses, 0) << c.name;
        EXPECT_TRUE(shortcuts.isEnabled(dictate)) << c.name;
    }
}
