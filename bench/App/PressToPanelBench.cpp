// How long the user waits from pressing the shortcut until the panel is on screen and
// painted, beside the least any program can do: BareKeyWindow, a bare XCB client that maps
// and fills a window on the same key. Both are real programs started as a user starts them,
// watched from outside the same way: XTest presses Control+Shift+Space, the clock stops when
// the server reports the first drawing into the program's window (Damage). The two take
// turns in blocks, as only one of them can hold the key: eight rounds (or as many as the
// first argument says) of one block each. A block starts the program, opens and closes its
// window once untimed, then times five presses, each closed by a second press as a user
// closes the panel. Every wait has a deadline; a press that shows nothing is counted as
// failed.
//
// Then the same for Tavrin with each application of the scenarios in front, its field
// focused: a Qt line edit, a GTK entry, xterm (no field), Firefox ESR and Chromium on a local
// page with a text area. There the context read runs before the panel shows, and the panel
// should stand beside the field: with the pointer parked in the screen's bottom right corner,
// a panel by the pointer, where it goes without a field, is counted apart (in xterm, which
// shows no field, every panel stands there). Each application gets half as many blocks as
// the first argument says; one that cannot be started is reported and skipped. Needs an X
// server with a window manager, for example:
//   scripts/x11-session sh -c 'openbox --sm-disable & sleep 1; exec PressToPanelBench'
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "Desktop/RealProgram.h"
#include "support/Browsers.h"
#include "support/Statistics.h"
#include "support/WindowWatch.h"

namespace {

constexpr int kDefaultRounds = 8;
constexpr int kPressesPerBlock = 5;
constexpr qint64 kPaintDeadline = 2000;
constexpr qint64 kCloseDeadline = 1500;
constexpr qint64 kFindDeadline = 10000;
// Between a close and the next press, as between two presses of a user.
constexpr qint64 kSettle = 300;

// Presses keys through XTest on its own connection.
class Keyboard {
public:
    Keyboard() : c_(xcb_connect(nullptr, nullptr)), symbols_(xcb_key_symbols_alloc(c_)) {}
    ~Keyboard() {
        xcb_key_symbols_free(symbols_);
        xcb_disconnect(c_);
    }
    // Control+Shift+Space, pressed and released at once.
    void shortcut() { tap({code(0xffe3), code(0xffe1), code(0x20)}); }
    void escape() { tap({code(0xff1b)}); }

private:
    void tap(std::initializer_list<xcb_keycode_t> keys) {
        for (xcb_keycode_t key : keys)
            xcb_test_fake_input(c_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
            xcb_test_fake_input(c_, XCB_KEY_RELEASE, *key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c_);
    }
    xcb_keycode_t code(xcb_keysym_t keysym) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
        const xcb_keycode_t result = codes ? codes[0] : 0;
        std::free(codes);
        return result;
    }

    xcb_connection_t* c_;
    xcb_key_symbols_t* symbols_;
};

struct Side {
    const char* name;
    QString program;
    QByteArray instance;
    const ProgramHome& home;
    std::vector<double> samples;
    int failed = 0;
    // Presses whose panel stood by the pointer, where it goes without a field.
    int byPointer = 0;
};

// Runs a helper program to its end and gives what it printed.
QByteArray output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return process.readAllStandardOutput().trimmed();
}

quint64 focusedWindow() {
    return output(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}).toULongLong();
}

// An application the user writes in, in front with its field focused while Tavrin is timed.
struct Application {
    const char* name;
    QString program;
    // Given a fresh folder for its profile.
    std::function<QStringList(const QString&)> arguments;
    // Its window's whole title, as a regular expression.
    QString title;
};

class PressBench {
public:
    void runBlock(Side& side) {
        QProcess process;
        process.setProcessEnvironment(side.home.environment());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(side.program, {});
        const xcb_window_t window = process.waitForStarted(5000) ? find(side.instance) : XCB_NONE;
        if (window == XCB_NONE) {
            std::fprintf(stderr, "%s: no window answered the key\n", side.name);
            side.failed += kPressesPerBlock;
        } else {
            bool open = close(window);
            for (int i = 0; i < kPressesPerBlock && open; ++i) {
                watch_.forget();
                QElapsedTimer timer;
                timer.start();
                keys_.shortcut();
                if (watch_.waitFor(timer, kPaintDeadline, [&](const xcb_generic_event_t& e) {
                        return watch_.isDrawn(e, window);
                    })) {
                    side.samples.push_back(timer.nsecsElapsed() / 1e6);
                    if (isByPointer(window))
                        ++side.byPointer;
                } else {
                    std::fprintf(stderr, "%s: a press drew nothing within %lld ms\n", side.name,
                                 kPaintDeadline);
                    ++side.failed;
                }
                open = close(window);
                if (!open)
                    std::fprintf(stderr, "%s: the window did not close\n", side.name);
            }
        }
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(1000);
        }
    }

private:
    bool isByPointer(xcb_window_t window) {
        xcb_connection_t* c = watch_.connection();
        auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        auto* place = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, window, watch_.root(), 0, 0), nullptr);
        auto* pointer = xcb_query_pointer_reply(c, xcb_query_pointer(c, watch_.root()), nullptr);
        bool near = false;
        if (geometry && place && pointer) {
            const int dx = std::max({0, place->dst_x - pointer->root_x,
                                     pointer->root_x - (place->dst_x + geometry->width)});
            const int dy = std::max({0, place->dst_y - pointer->root_y,
                                     pointer->root_y - (place->dst_y + geometry->height)});
            near = dx < 60 && dy < 60;
        }
        std::free(geometry);
        std::free(place);
        std::free(pointer);
        return near;
    }

    // Presses the key until a window of `instance` appears; the program may still be starting.
    xcb_window_t find(const QByteArray& instance) {
        QElapsedTimer clock;
        clock.start();
        xcb_window_t found = XCB_NONE;
        while (found == XCB_NONE && clock.elapsed() < kFindDeadline) {
            keys_.shortcut();
            watch_.waitFor(clock, clock.elapsed() + 1000, [&](const xcb_generic_event_t& e) {
                const xcb_window_t window = WindowWatch::appeared(e);
                if (watch_.isOf(window, instance))
                    found = window;
                return found != XCB_NONE;
            });
        }
        if (found == XCB_NONE)
            return found;
        // Found as it moved into its frame: on screen only once it is mapped there.
        watch_.watch(found);
        const qint64 deadline = clock.elapsed() + kCloseDeadline;
        while (!watch_.isViewable(found) && clock.elapsed() < deadline)
            watch_.waitFor(clock, clock.elapsed() + 20,
                           [](const xcb_generic_event_t&) { return false; });
        return found;
    }
    // Closes the window with the key, as a user does, or with Escape; true when it is closed.
    bool close(xcb_window_t window) {
        QElapsedTimer clock;
        clock.start();
        const auto unmapped = [window](const xcb_generic_event_t& e) {
            return WindowWatch::isUnmapped(e, window);
        };
        bool closed = !watch_.isViewable(window);
        if (!closed) {
            keys_.shortcut();
            closed = watch_.waitFor(clock, kCloseDeadline, unmapped);
        }
        if (!closed) {
            keys_.escape();
            closed = watch_.waitFor(clock, 2 * kCloseDeadline, unmapped);
        }
        const qint64 settled = clock.elapsed() + kSettle;
        watch_.waitFor(clock, settled, [](const xcb_generic_event_t&) { return false; });
        return closed || !watch_.isViewable(window);
    }

    WindowWatch watch_;
    Keyboard keys_;

public:
    bool ready() const { return watch_.ready(); }
};

// `placed`: also how many panels stood by the pointer, which was parked for it.
void print(const Side& side, bool placed = false) {
    if (side.samples.empty()) {
        std::printf("  %-10s no sample (%d failed)\n", side.name, side.failed);
        return;
    }
    std::printf("  %-10s median %6.2f ms   p95 %6.2f ms   %zu samples, %d failed", side.name,
                BenchStatistics::median(side.samples), BenchStatistics::percentile95(side.samples),
                side.samples.size(), side.failed);
    if (placed)
        std::printf(", %d by the pointer", side.byPointer);
    std::printf("\n");
}

// Starts `application`, waits until its window has the keyboard, runs `blocks` of Tavrin
// presses in front of it and ends it; false when it never came up.
bool timeIn(PressBench& bench, Side& tavrin, const Application& application, int blocks) {
    QTemporaryDir profile;
    QProcess process;
    QProcessEnvironment environment = tavrin.home.environment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(application.program, application.arguments(profile.path()));
    QElapsedTimer clock;
    clock.start();
    quint64 window = 0;
    while (clock.elapsed() < 30000 && process.state() != QProcess::NotRunning) {
        window = output(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), application.title})
                     .split('\n')
                     .first()
                     .toULongLong();
        if (window != 0 && focusedWindow() == window)
            break;
        window = 0;
        QThread::msleep(100);
    }
    const bool up = window != 0;
    if (up) {
        const QList<QByteArray> size =
            output(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}).split(' ');
        if (size.size() == 2)
            output(QStringLiteral("xdotool"),
                   {QStringLiteral("mousemove"), QString::number(size[0].toInt() - 10),
                    QString::number(size[1].toInt() - 10)});
        // A page's script puts the caret in its field once loaded.
        QThread::msleep(1000);
        for (int block = 0; block < blocks; ++block)
            bench.runBlock(tavrin);
    } else {
        std::fprintf(stderr, "%s: its window never had the keyboard\n", application.name);
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
    return up;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;
    enableAccessibilityBus();
    const ProgramHome tavrinHome;
    tavrinHome.useFreeShortcut();
    const ProgramHome bareHome;
    PressBench bench;
    if (!bench.ready()) {
        std::fprintf(stderr, "no X server with the Damage extension\n");
        return 1;
    }
    Side tavrin{"Tavrin", QStringLiteral(TAVRIN_EXECUTABLE), "tavrin", tavrinHome, {}, 0};
    Side bare{"bare XCB", QStringLiteral(BARE_KEY_WINDOW_EXECUTABLE), "BareKeyWindow", bareHome, {},
              0};
    for (int round = 0; round < rounds; ++round) {
        // Each goes first in every other round.
        Side& first = round % 2 ? bare : tavrin;
        Side& second = round % 2 ? tavrin : bare;
        bench.runBlock(first);
        bench.runBlock(second);
    }
    std::printf("press to painted window, %d blocks of %d presses each\n", rounds,
                kPressesPerBlock);
    print(tavrin);
    print(bare);
    if (tavrin.samples.empty() || bare.samples.empty())
        return 1;
    std::printf("  ratio      median %6.2f   p95 %6.2f\n",
                BenchStatistics::median(tavrin.samples) / BenchStatistics::median(bare.samples),
                BenchStatistics::percentile95(tavrin.samples) /
                    BenchStatistics::percentile95(bare.samples));

    const QString page = QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/message.html");
    const Application applications[] = {
        {"Qt", QStringLiteral(TAVRIN_FIELD_WINDOW),
         [](const QString&) { return QStringList{QStringLiteral("fields")}; }, "^Testfenster$"},
        {"GTK", QStringLiteral("/usr/bin/python3"),
         [](const QString&) { return QStringList{QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW)}; },
         "^GTK-Fenster$"},
        {"xterm", QStringLiteral("xterm"),
         [](const QString&) {
             return QStringList{"-T", "bench-terminal"};
         },
         "^bench-terminal$"},
        {"Firefox", QStringLiteral("firefox-esr"),
         [&page](const QString& profile) { return Browsers::firefoxArguments(profile, page); },
         "^Nachricht von Jana — Mozilla Firefox$"},
        {"Chromium", QStringLiteral("chromium"),
         [&page](const QString& profile) { return Browsers::chromiumArguments(profile, page); },
         "^Nachricht von Jana - Chromium$"},
    };
    const int blocks = std::max(1, rounds / 2);
    std::printf("press to painted panel with an application in front, %d blocks of %d presses\n",
                blocks, kPressesPerBlock);
    bool all = true;
    for (const Application& application : applications) {
        if (application.program.isEmpty())
            continue;
        Side side{application.name, tavrin.program, "tavrin", tavrinHome, {}, 0, 0};
        if (!timeIn(bench, side, application, blocks)) {
            std::printf("  %-10s did not start\n", application.name);
            all = false;
            continue;
        }
        print(side, true);
        all = all && !side.samples.empty();
    }
    return all ? 0 : 1;
}
