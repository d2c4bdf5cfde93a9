// How long the panel waits for the context: the field read of a focused Qt line edit and of a
// GTK entry (the accessibility worker's round trip), and quickSnapshot end to end (front
// window, pointer, field read and the picture taken ahead). Median and 95th percentile of 50
// runs each; the aim is under 30 ms. Run under scripts/x11-session.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "Context/ContextCollector.h"
#include "Context/ContextRig.h"
#include "support/Statistics.h"
#include "support/TestWindows.h"

using namespace Platform;

namespace {

struct Desktop : ContextRig {
    QProcess windowManager;
    QProcess qtWindow;
    QProcess gtkWindow;
    quint32 qtWindowId = 0;
    quint32 gtkWindowId = 0;
};

Desktop* desktop = nullptr;

void waitFor(const std::function<bool()>& condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// Brings the window to the front and waits until the tree reports its field.
bool focus(quint32 windowId, qint64 pid) {
    desktop->bringToFront(windowId);
    bool editable = false;
    waitFor(
        [&] {
            bool done = false;
            desktop->worker.run(
                &desktop->collector,
                [pid](AccessibilityTree* tree) {
                    return tree ? AXContextReader::read(*tree, static_cast<qint32>(pid))
                                : AXContextReader::FieldInfo();
                },
                [&](AXContextReader::FieldInfo info) {
                    editable = info.isEditable;
                    done = true;
                });
            waitFor([&] { return done; }, 3000);
            return editable;
        },
        8000);
    return editable;
}

// Times each run of `start`, which calls its argument once the run is over.
void timeRuns(benchmark::State& state, const std::function<void(std::function<void()>)>& start) {
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        bool done = false;
        start([&done] { done = true; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
}

void fieldRead(benchmark::State& state, quint32 windowId, const QProcess& process) {
    if (!focus(windowId, process.processId())) {
        state.SkipWithError("no field on the accessibility bus");
        return;
    }
    const auto pid = static_cast<qint32>(process.processId());
    timeRuns(state, [pid](std::function<void()> finished) {
        desktop->worker.run(
            &desktop->collector,
            [pid](AccessibilityTree* tree) {
                tree->setCallTimeout(std::chrono::milliseconds(250));
                return AXContextReader::read(*tree, pid);
            },
            [finished](AXContextReader::FieldInfo) { finished(); });
    });
}

void BM_FieldReadQtLineEdit(benchmark::State& state) {
    fieldRead(state, desktop->qtWindowId, desktop->qtWindow);
}

void BM_FieldReadGtkEntry(benchmark::State& state) {
    fieldRead(state, desktop->gtkWindowId, desktop->gtkWindow);
}

void BM_QuickSnapshot(benchmark::State& state) {
    if (!focus(desktop->qtWindowId, desktop->qtWindow.processId())) {
        state.SkipWithError("no field on the accessibility bus");
        return;
    }
    std::unique_ptr<ContextRead> handle;
    timeRuns(state, [&handle](std::function<void()> finished) {
        handle = desktop->collector.quickSnapshot(
            std::nullopt, false, [finished](std::optional<ContextSnapshot>) { finished(); });
    });
}

void fiftyRuns(benchmark::internal::Benchmark* benchmark) {
    benchmark->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(50)
        ->ComputeStatistics("p95", BenchStatistics::percentile95)
        ->ReportAggregatesOnly(true);
}

BENCHMARK(BM_FieldReadQtLineEdit)->Apply(fiftyRuns);
BENCHMARK(BM_FieldReadGtkEntry)->Apply(fiftyRuns);
BENCHMARK(BM_QuickSnapshot)->Apply(fiftyRuns);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "ContextBench needs a desktop: run it under scripts/x11-session\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Desktop context;
    desktop = &context;
    context.windowManager.start("openbox", {"--sm-disable"});
    QThread::msleep(500);
    context.gtkWindowId = startTestWindow(context.gtkWindow, TAVRIN_GTK_ENTRY_WINDOW, {});
    context.qtWindowId = startTestWindow(context.qtWindow, TAVRIN_FIELD_WINDOW, {"fields"});
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (QProcess* process : {&context.qtWindow, &context.gtkWindow, &context.windowManager}) {
        process->terminate();
        process->waitForFinished(3000);
    }
    return 0;
}
