// What a finished draft of 3 MB costs the panel's main thread: the draft box takes it while a
// timer that wants to run every millisecond stands for the rest of the program (the tray, the
// shortcut, a quit). Reported: how long the call that hands over the draft took, the longest
// the timer then had to wait, and how long until the box held the whole draft. Runs on
// whatever Qt platform the environment picks (offscreen, or xcb on an X server).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "Panel/AnswerArea.h"
#include "support/BenchMain.h"

namespace {

constexpr qsizetype kDraftLength = 3'000'000;

// German paragraphs of a few sentences each, the way a long letter or report reads.
QString longDraft() {
    const QString sentence = QStringLiteral(
        "Vielen Dank für die ausführliche Nachricht, ich habe mir die Unterlagen "
        "angesehen und finde den Vorschlag überzeugend. ");
    QString draft;
    draft.reserve(kDraftLength + sentence.size() * 8);
    for (int paragraph = 0; draft.size() < kDraftLength; ++paragraph) {
        draft += QStringLiteral("Absatz %1: ").arg(paragraph);
        for (int i = 0; i < 2 + paragraph % 7; ++i)
            draft += sentence;
        draft += QLatin1Char('\n');
    }
    draft.truncate(kDraftLength);
    return draft;
}

void BM_LongFinishedDraftIntoTheAnswerBox(benchmark::State& state) {
    const QString draft = longDraft();
    for (auto _ : state) {
        AnswerArea area;
        area.resize(532, 300);
        area.show();
        QElapsedTimer wall;
        wall.start();
        qint64 lastTick = 0;
        qint64 longestWait = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = wall.nsecsElapsed();
            longestWait = std::max(longestWait, now - lastTick);
            lastTick = now;
        });
        tick.start(1);

        QElapsedTimer call;
        call.start();
        area.setDraft(draft);
        const qint64 callTook = call.nsecsElapsed();
        lastTick = wall.nsecsElapsed();
        QEventLoop loop;
        QTimer done;
        QObject::connect(&done, &QTimer::timeout, [&] {
            if (area.placedLength() == draft.size())
                loop.quit();
        });
        done.start(5);
        loop.exec();
        const double placed = double(call.nsecsElapsed()) / 1e9;

        state.SetIterationTime(placed);
        state.counters["set_draft_ms"] = double(callTook) / 1e6;
        state.counters["longest_wait_ms"] = double(longestWait) / 1e6;
        state.counters["placed_s"] = placed;
    }
    state.SetLabel(QGuiApplication::platformName().toStdString());
}

BENCHMARK(BM_LongFinishedDraftIntoTheAnswerBox)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
