// How long an ordinary paste takes on a real X server: from the insert to the text in a Qt
// line edit, and to the end of the insert (the user's clipboard back, the undo toast's turn).
// The insert ends as soon as the line edit has fetched the text. Median, 95th percentile and
// worst of 30 runs. Run under scripts/x11-session.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <cstdio>

#include "Output/X11InserterDesk.h"
#include "support/Programs.h"
#include "support/Statistics.h"
#include "support/TestWindows.h"

namespace {

void report(const char* name, const std::vector<double>& samples) {
    std::printf("%-28s median %7.1f ms   p95 %7.1f ms   worst %7.1f ms\n", name,
                BenchStatistics::median(samples), BenchStatistics::percentile95(samples),
                BenchStatistics::worst(samples));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    X11InserterDesk desk;
    if (!desk.connection)
        return 1;
    QProcess windowManager;
    if (!startWindowManager(windowManager))
        return 1;
    QProcess lineEditWindow;
    Platform::RunningApplication lineEdit;
    lineEdit.windowId = startTestWindow(lineEditWindow, QStringLiteral(TAVRIN_LINE_EDIT_WINDOW));
    if (!lineEdit.windowId)
        return 1;
    lineEdit.windowInstance = lineEdit.windowClass = "OutputLineEditWindow";
    xclipIn("Vorher");

    std::vector<double> landed;
    std::vector<double> ended;
    for (int run = 0; run < 30; ++run) {
        lineEditWindow.readAllStandardOutput();
        const QString text = QStringLiteral("Lauf%1").arg(run);
        bool done = false;
        qint64 landedAt = -1;
        QElapsedTimer timer;
        timer.start();
        desk.inserter.insert(text, lineEdit, false,
                             [&](const TextInserter::Insertion&) { done = true; });
        QByteArray seen;
        const bool finished = QTest::qWaitFor(
            [&] {
                seen += lineEditWindow.readAllStandardOutput();
                if (landedAt < 0 && seen.contains(text.toUtf8()))
                    landedAt = timer.elapsed();
                return done && landedAt >= 0;
            },
            10000);
        if (!finished) {
            std::printf("run %d did not finish\n", run);
            return 1;
        }
        ended.push_back(double(timer.elapsed()));
        landed.push_back(double(landedAt));
        QTest::qWait(100);
    }
    report("text in the field", landed);
    report("insert ended", ended);
    lineEditWindow.terminate();
    windowManager.terminate();
    lineEditWindow.waitForFinished(3000);
    windowManager.waitForFinished(3000);
    return 0;
}
