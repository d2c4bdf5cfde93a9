// How long a user waits from starting Tavrin until its icon is in the tray, beside a minimal
// Qt program that only shows a tray icon. The two start in turn, ten times each, in one run;
// the first start of each is left out (it fills the disk cache). Needs an X server, for
// example: scripts/x11-session build/release/bench/Desktop/StartToTrayBench
#include <QCoreApplication>
#include <cstdio>
#include <vector>

#include "RealProgram.h"
#include "support/Statistics.h"

namespace {

constexpr int kStarts = 10;

// Milliseconds from starting `program` until the tray holds its icon; -1 when it never does.
double startToTray(const Tray& tray, const QString& program, const QByteArray& instance,
                   const ProgramHome& home) {
    QProcess process;
    process.setProcessEnvironment(home.environment());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    double took = -1;
    while (timer.elapsed() < 10000) {
        if (tray.holds(instance)) {
            took = timer.nsecsElapsed() / 1e6;
            break;
        }
        QThread::usleep(500);
    }
    process.terminate();
    process.waitForFinished(5000);
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
    enableAccessibilityBus();
    Tray tray;
    if (!tray.ready()) {
        std::fprintf(stderr, "trayer did not start\n");
        return 1;
    }
    const ProgramHome tavrinHome;
    const ProgramHome minimalHome;
    std::vector<double> tavrin;
    std::vector<double> minimal;
    for (int i = 0; i < kStarts + 1; ++i) {
        const double ours =
            startToTray(tray, QStringLiteral(TAVRIN_EXECUTABLE), "tavrin", tavrinHome);
        const double least =
            startToTray(tray, QStringLiteral(MINIMAL_TRAY_EXECUTABLE), "MinimalTray", minimalHome);
        if (ours < 0 || least < 0) {
            std::fprintf(stderr, "start %d: an icon never reached the tray\n", i);
            continue;
        }
        if (i > 0) {
            tavrin.push_back(ours);
            minimal.push_back(least);
        }
    }
    if (tavrin.empty())
        return 1;
    std::printf("start to tray icon, %d starts each\n", kStarts);
    std::printf("  Tavrin          median %7.1f ms\n", BenchStatistics::median(tavrin));
    std::printf("  minimal Qt tray median %7.1f ms\n", BenchStatistics::median(minimal));
    std::printf("  ratio           %7.2f\n",
                BenchStatistics::median(tavrin) / BenchStatistics::median(minimal));
    return 0;
}
