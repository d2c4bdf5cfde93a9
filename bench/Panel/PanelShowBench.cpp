// How long the panel takes from show() to its first painted frame: building the view, placing
// and mapping the window and painting it once. Median over 50 shows, on whatever Qt platform
// the environment picks (offscreen, or xcb on an X server).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>

#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Panel/RecordingPanelActions.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/X11FloatingWindows.h"
#include "Platform/linux/XcbConnection.h"
#include "support/BenchMain.h"
#include "support/Statistics.h"

namespace {

// Notes when the watched view gets its first paint event.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void BM_ShowToFirstPaint(benchmark::State& state) {
    Platform::QtClock clock;
    Platform::X11FloatingWindows windows(Platform::XcbConnection::open());
    PanelController controller({clock, windows, [] { return false; }});
    Platform::FakeClock storesClock;
    RecordingPanelActions actions(storesClock);
    std::vector<double> milliseconds;

    for (auto _ : state) {
        ContextSnapshot context;
        context.fieldFrame = QRectF(200, 200, 300, 30);
        AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
        actions.setSession(&session);
        FirstPaint watcher;
        QElapsedTimer timer;
        timer.start();
        controller.show(session, actions);
        controller.view()->installEventFilter(&watcher);
        while (!watcher.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double elapsed = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(elapsed);
        milliseconds.push_back(elapsed * 1000);

        controller.view()->removeEventFilter(&watcher);
        controller.hide();
        while (controller.panel().isVisible())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        actions.setSession(nullptr);
    }
    state.counters["median_ms"] = BenchStatistics::median(milliseconds);
    state.SetLabel(QGuiApplication::platformName().toStdString());
}

BENCHMARK(BM_ShowToFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
