// How long a press of a global shortcut takes from the keyboard server to our handler on the
// main thread: XTest presses the key, the handler notes the time. Median and worst of 200.
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserDefaults.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "Platform/linux/XcbConnection.h"

namespace {

constexpr int presses = 200;

xcb_keycode_t keycodeOf(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    return code;
}

// Runs the event loop until `done` or a second has passed.
bool waitFor(const bool& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto keys = Platform::XcbConnection::open();
    if (!keys) {
        std::fprintf(stderr, "no X server\n");
        return 1;
    }
    Platform::FakeUserDefaults defaults;
    Platform::FakeSystemLog log;
    Platform::X11HotKeyGrabber grabber;
    GlobalShortcuts::NamedShortcuts shortcuts(defaults, grabber, log);
    const GlobalShortcuts::Name name("bench");
    shortcuts.setShortcut(
        GlobalShortcuts::Shortcut(GlobalShortcuts::Key::f9, GlobalShortcuts::Modifier::Control |
                                                                GlobalShortcuts::Modifier::Shift),
        name);
    if (!shortcuts.isEnabled(name)) {
        std::fprintf(stderr, "Control+Shift+F9 is taken\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 pressedAt = 0;
    qint64 handledAt = 0;
    bool down = false;
    bool up = false;
    shortcuts.onKeyDown(name, [&] {
        handledAt = clock.nsecsElapsed();
        down = true;
    });
    shortcuts.onKeyUp(name, [&] { up = true; });

    xcb_connection_t* c = keys->connection();
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    const xcb_keycode_t control = keycodeOf(symbols, 0xffe3);
    const xcb_keycode_t shift = keycodeOf(symbols, 0xffe1);
    const xcb_keycode_t f9 = keycodeOf(symbols, 0xffc6);
    xcb_key_symbols_free(symbols);
    const auto fake = [&](quint8 type, xcb_keycode_t key) {
        xcb_test_fake_input(c, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    fake(XCB_KEY_PRESS, control);
    fake(XCB_KEY_PRESS, shift);
    keys->flush();

    std::vector<double> milliseconds;
    for (int i = 0; i < presses; ++i) {
        down = up = false;
        pressedAt = clock.nsecsElapsed();
        fake(XCB_KEY_PRESS, f9);
        keys->flush();
        if (!waitFor(down)) {
            std::fprintf(stderr, "press %d never arrived\n", i);
            return 1;
        }
        milliseconds.push_back(double(handledAt - pressedAt) / 1e6);
        fake(XCB_KEY_RELEASE, f9);
        keys->flush();
        if (!waitFor(up)) {
            std::fprintf(stderr, "release %d never arrived\n", i);
            return 1;
        }
    }
    fake(XCB_KEY_RELEASE, shift);
    fake(XCB_KEY_RELEASE, control);
    keys->flush();

    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("XTest press to handler over %d presses: median %.3f ms, worst %.3f ms\n", presses,
                milliseconds[milliseconds.size() / 2], milliseconds.back());
    return 0;
}
