// How long a user waits from starting Tavrin until its icon is in the tray, beside a minimal
// Qt program that only shows a tray icon. The clock stops when the program's window inside
// the tray first shows something else than the empty tray (checked at each drawing the
// server reports, through Damage), so an icon docked but not yet painted, because its program
// is still busy, does not count as shown. The two start in turn, twenty times each (or as
// often as the first argument says), in one run; the first start of each is left out (it
// fills the disk cache). Every wait has a deadline. Needs an X server, for example:
//   scripts/x11-session build/release/bench/Desktop/StartToTrayBench
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "RealProgram.h"
#include "support/Statistics.h"
#include "support/WindowWatch.h"

namespace {

constexpr int kDefaultStarts = 20;
constexpr qint64 kDeadline = 10000;

// Whether a window in the tray shows something else than the empty tray behind it: the server
// fills a docked icon's window with the tray's background before its program paints.
bool showsIcon(const WindowWatch::Picture& icon, const WindowWatch::Picture& emptyTray) {
    for (int row = 0; row < icon.height; ++row) {
        for (int column = 0; column < icon.width; ++column) {
            const int x = icon.x + column - emptyTray.x;
            const int y = icon.y + row - emptyTray.y;
            if (x < 0 || y < 0 || x >= emptyTray.width || y >= emptyTray.height ||
                icon.at(column, row) != emptyTray.at(x, y))
                return true;
        }
    }
    return false;
}

// Milliseconds from starting `program` until its icon is drawn in the tray; -1 when it never
// is.
double startToTray(WindowWatch& watch, const Tray& tray, const WindowWatch::Picture& emptyTray,
                   const QString& program, const QByteArray& instance, const ProgramHome& home) {
    watch.forget();
    QProcess process;
    process.setProcessEnvironment(home.environment());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    // The icon's window is made on the root before the tray takes it in: every new window is
    // watched, and the first drawing into one of the program's inside the tray stops the clock.
    const bool drawn = watch.waitFor(timer, kDeadline, [&](const xcb_generic_event_t& e) {
        if (const xcb_window_t made = WindowWatch::created(e)) {
            watch.watch(made);
            return false;
        }
        const xcb_window_t window = watch.drawnInto(e);
        if (window == XCB_NONE || !watch.isOf(window, instance) ||
            !watch.isInside(window, tray.panel()))
            return false;
        if (showsIcon(watch.picture(window), emptyTray))
            return true;
        watch.rearm(window);
        return false;
    });
    const double took = drawn ? timer.nsecsElapsed() / 1e6 : -1;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
    }
    // The icon leaves the tray before the next start.
    QElapsedTimer gone;
    gone.start();
    while (tray.holds(instance) && gone.elapsed() < 3000)
        QThread::msleep(5);
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(2, std::atoi(argv[1])) : kDefaultStarts;
    enableAccessibilityBus();
    Tray tray;
    WindowWatch watch;
    if (!tray.ready() || !watch.ready()) {
        std::fprintf(stderr, "trayer did not start, or the server lacks Damage\n");
        return 1;
    }
    const WindowWatch::Picture emptyTray = watch.picture(tray.panel());
    const ProgramHome tavrinHome;
    const ProgramHome minimalHome;
    std::vector<double> tavrin;
    std::vector<double> minimal;
    for (int i = 0; i < starts + 1; ++i) {
        // Each goes first in every other round.
        const auto ours = [&] {
            return startToTray(watch, tray, emptyTray, QStringLiteral(TAVRIN_EXECUTABLE), "tavrin",
                               tavrinHome);
        };
        const auto least = [&] {
            return startToTray(watch, tray, emptyTray, QStringLiteral(MINIMAL_TRAY_EXECUTABLE),
                               "MinimalTray", minimalHome);
        };
        double ourTime = 0;
        double leastTime = 0;
        if (i % 2) {
            leastTime = least();
            ourTime = ours();
        } else {
            ourTime = ours();
            leastTime = least();
        }
        if (ourTime < 0 || leastTime < 0) {
            std::fprintf(stderr, "start %d: an icon was not drawn in the tray within %lld ms\n", i,
                         kDeadline);
            continue;
        }
        if (i > 0) {
            tavrin.push_back(ourTime);
            minimal.push_back(leastTime);
        }
    }
    if (tavrin.empty())
        return 1;
    std::printf("start to tray icon drawn, %zu starts each\n", tavrin.size());
    std::printf("  Tavrin          median %7.1f ms   p95 %7.1f ms\n",
                BenchStatistics::median(tavrin), BenchStatistics::percentile95(tavrin));
    std::printf("  minimal Qt tray median %7.1f ms   p95 %7.1f ms\n",
                BenchStatistics::median(minimal), BenchStatistics::percentile95(minimal));
    // Each start's ratio to the other program's start beside it, which ran under the same load.
    std::vector<double> ratios;
    for (std::size_t i = 0; i < tavrin.size(); ++i)
        ratios.push_back(tavrin[i] / minimal[i]);
    std::printf("  ratio           %7.2f   (median of the paired ratios %.2f)\n",
                BenchStatistics::median(tavrin) / BenchStatistics::median(minimal),
                BenchStatistics::median(ratios));
    return 0;
}
