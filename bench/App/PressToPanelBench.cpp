// How long the user waits from pressing the shortcut until the panel is on screen and
// painted, beside the least any program can do: a bare XCB client that maps and fills a
// window on the same key. XTest presses the key; 30 presses each, median and 95th percentile.
// Needs an X server with a window manager, for example:
//   scripts/x11-session sh -c 'openbox --sm-disable & sleep 1; exec PressToPanelBench'
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "App/DesktopApplication.h"
#include "Panel/PanelView.h"
#include "Platform/AppPaths.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/StderrSystemLog.h"

namespace {

constexpr int kPresses = 30;
// Control+Shift+Space: no window manager takes it.
constexpr int kStoredSpace = 49;
constexpr int kStoredModifiers = 0x1000 | 0x200;

struct Figures {
    double median = 0;
    double p95 = 0;
};

Figures figures(std::vector<double> samples) {
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[(samples.size() * 95) / 100]};
}

// Presses and releases Control+Shift+Space through XTest on its own connection.
class Keyboard {
public:
    Keyboard() : c_(xcb_connect(nullptr, nullptr)), symbols_(xcb_key_symbols_alloc(c_)) {
        control_ = code(0xffe3);
        shift_ = code(0xffe1);
        space_ = code(0x20);
    }
    ~Keyboard() {
        xcb_key_symbols_free(symbols_);
        xcb_disconnect(c_);
    }
    void press() {
        for (xcb_keycode_t key : {control_, shift_, space_})
            fake(XCB_KEY_PRESS, key);
        for (xcb_keycode_t key : {space_, shift_, control_})
            fake(XCB_KEY_RELEASE, key);
        xcb_flush(c_);
    }
    xcb_keycode_t space() const { return space_; }

private:
    xcb_keycode_t code(xcb_keysym_t keysym) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
        const xcb_keycode_t result = codes ? codes[0] : 0;
        std::free(codes);
        return result;
    }
    void fake(quint8 type, xcb_keycode_t key) {
        xcb_test_fake_input(c_, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    xcb_connection_t* c_;
    xcb_key_symbols_t* symbols_;
    xcb_keycode_t control_ = 0;
    xcb_keycode_t shift_ = 0;
    xcb_keycode_t space_ = 0;
};

// Notes the first paint of a panel view.
class PanelPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<PanelView*>(watched))
            painted = true;
        return false;
    }
};

bool runUntil(const bool& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done;
}

std::vector<double> tavrinPresses(Keyboard& keyboard) {
    Platform::QtClock clock;
    Platform::StderrSystemLog log;
    QTemporaryDir data;
    DesktopApplication desktop(data.path(), clock, log);
    desktop.coordinator().start();
    PanelPaint paint;
    qApp->installEventFilter(&paint);
    std::vector<double> samples;
    for (int i = 0; i < kPresses + 1; ++i) {
        paint.painted = false;
        QElapsedTimer timer;
        timer.start();
        keyboard.press();
        if (!runUntil(paint.painted)) {
            std::fprintf(stderr, "press %d: the panel did not paint\n", i);
            continue;
        }
        // The first press pays for loading fonts and styles once.
        if (i > 0)
            samples.push_back(timer.nsecsElapsed() / 1e6);
        desktop.coordinator().dismiss();
        bool settled = false;
        QTimer::singleShot(400, [&] { settled = true; });
        runUntil(settled);
    }
    qApp->removeEventFilter(&paint);
    desktop.shortcuts().setEnabled(false);
    return samples;
}

// The least a program can do: grab the key, map a window on the press, fill it on its first
// expose and wait until the server has drawn it.
std::vector<double> barePresses(Keyboard& keyboard) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const quint16 modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    xcb_grab_key(c, 1, screen->root, modifiers, keyboard.space(), XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    const xcb_window_t window = xcb_generate_id(c);
    const quint32 values[] = {screen->white_pixel, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 300, 300, 520, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &screen->black_pixel);
    xcb_flush(c);

    std::vector<double> samples;
    for (int i = 0; i < kPresses + 1; ++i) {
        QElapsedTimer timer;
        timer.start();
        keyboard.press();
        bool drawn = false;
        while (!drawn && timer.elapsed() < 3000) {
            xcb_generic_event_t* event = xcb_wait_for_event(c);
            if (!event)
                break;
            const quint8 type = event->response_type & 0x7f;
            if (type == XCB_KEY_PRESS) {
                xcb_map_window(c, window);
                xcb_flush(c);
            } else if (type == XCB_EXPOSE) {
                const xcb_rectangle_t all{0, 0, 520, 120};
                xcb_poly_fill_rectangle(c, window, gc, 1, &all);
                std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
                drawn = true;
            }
            std::free(event);
        }
        if (drawn && i > 0)
            samples.push_back(timer.nsecsElapsed() / 1e6);
        xcb_unmap_window(c, window);
        xcb_flush(c);
        QThread::msleep(100);
        // Drops what the unmap and the release left.
        while (xcb_generic_event_t* event = xcb_poll_for_event(c))
            std::free(event);
    }
    xcb_disconnect(c);
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    {
        QSettings defaults(Platform::AppPaths::userDefaultsFile(), QSettings::IniFormat);
        defaults.setValue(QStringLiteral("GlobalShortcuts_invokeAssistant"),
                          QStringLiteral(R"({"carbonKeyCode":%1,"carbonModifiers":%2})")
                              .arg(kStoredSpace)
                              .arg(kStoredModifiers));
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    Keyboard keyboard;
    const Figures tavrin = figures(tavrinPresses(keyboard));
    const Figures bare = figures(barePresses(keyboard));
    std::printf("press to painted panel, %d presses each\n", kPresses);
    std::printf("  Tavrin      median %6.2f ms   p95 %6.2f ms\n", tavrin.median, tavrin.p95);
    std::printf("  bare XCB    median %6.2f ms   p95 %6.2f ms\n", bare.median, bare.p95);
    std::printf("  ratio       median %6.2f\n", tavrin.median / bare.median);
    return 0;
}
