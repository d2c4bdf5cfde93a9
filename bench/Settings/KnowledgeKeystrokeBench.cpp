// What one keystroke in the knowledge note costs until it is saved: the editor holds 100 KB
// of text, and every edit is written to settings.json at once, as the settings window does
// with every field. 1,000 keystrokes; the figure is their median (and the slowest), which
// must stay well under a frame so that typing never stutters.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"

namespace {

constexpr int keystrokes = 1000;
constexpr int knowledgeBytes = 100 * 1000;

QString knowledgeText() {
    QString text;
    const QString line =
        QStringLiteral("- Kunde Müller: Rückruf am Dienstag, Angebot über Wartung\n");
    while (text.size() < knowledgeBytes)
        text += line;
    return text;
}

void type(QWidget* editor, QChar character) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(character));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(editor, &press);
    QCoreApplication::sendEvent(editor, &release);
}

void BM_KnowledgeKeystrokeSaved(benchmark::State& state) {
    QTemporaryDir folder;
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    Platform::FakeClock clock;
    SettingsStore store(folder.path(), {loginItem, log, clock});
    store.update([](AssistantSettings& s) { s.knowledge = knowledgeText(); });

    QPlainTextEdit editor;
    editor.setPlainText(store.settings().knowledge);
    editor.moveCursor(QTextCursor::End);
    // The binding of a note editor: every change goes through the store, which saves.
    QObject::connect(&editor, &QPlainTextEdit::textChanged, &store, [&] {
        store.update([&](AssistantSettings& s) { s.knowledge = editor.toPlainText(); });
    });

    std::vector<double> samples;
    samples.reserve(keystrokes);
    for (auto _ : state) {
        samples.clear();
        QElapsedTimer total;
        total.start();
        for (int i = 0; i < keystrokes; ++i) {
            QElapsedTimer timer;
            timer.start();
            type(&editor, QChar(u'a' + i % 26));
            samples.push_back(timer.nsecsElapsed() / 1e6);
        }
        state.SetIterationTime(total.nsecsElapsed() / 1e9);
    }
    if (!log.lines.isEmpty())
        state.SkipWithError("a save failed");
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["p95_ms"] = samples[samples.size() * 95 / 100];
    state.counters["max_ms"] = samples.back();
    state.counters["file_kb"] = store.settings().knowledge.toUtf8().size() / 1000.0;
}

}  // namespace

BENCHMARK(BM_KnowledgeKeystrokeSaved)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
