// How fast the line runner hands over a tool's output: a child writes 100 MB of JSON event
// lines; the runner's rate is reported beside `cat` of the same file into /dev/null and
// through a pipe, and as a ratio to both.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

#include "AI/LineProcess.h"

namespace {

constexpr qint64 fileSize = 100 * 1000 * 1000;

// Lines shaped like a streaming tool's text deltas, of varying length.
const QString& eventFile() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath("events.jsonl");
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            qFatal("cannot write the event file");
        QByteArray buffer;
        qint64 written = 0;
        for (int i = 0; written < fileSize; ++i) {
            const QByteArray text(20 + (i * 37) % 300, 'a' + i % 26);
            const QByteArray line =
                R"({"type":"stream_event","event":{"type":"content_block_delta","index":0,)"
                R"("delta":{"type":"text_delta","text":")" +
                text + "\"}}}\n";
            buffer += line;
            written += line.size();
            if (buffer.size() > (1 << 20)) {
                out.write(buffer);
                buffer.clear();
            }
        }
        out.write(buffer);
        return file;
    }();
    return path;
}

// Seconds for one run of a shell command over the event file.
double shellSeconds(const QString& command) {
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("/bin/sh", {"-c", command.arg(eventFile())});
    return timer.nsecsElapsed() / 1e9;
}

double bestOfThree(const QString& command) {
    double best = shellSeconds(command);
    for (int i = 0; i < 2; ++i)
        best = std::min(best, shellSeconds(command));
    return best;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * QFile(eventFile()).size());
}

void BM_CatIntoDevNull(benchmark::State& state) {
    for (auto _ : state)
        shellSeconds("cat '%1' > /dev/null");
    setBytes(state);
}

void BM_CatThroughPipe(benchmark::State& state) {
    for (auto _ : state)
        shellSeconds("cat '%1' | cat > /dev/null");
    setBytes(state);
}

void BM_LineProcessRun(benchmark::State& state) {
    const double catSeconds = bestOfThree("cat '%1' > /dev/null");
    const double pipeSeconds = bestOfThree("cat '%1' | cat > /dev/null");
    double runSeconds = 0;
    qint64 lines = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QElapsedTimer timer;
        timer.start();
        auto run = LineProcess::run(
            "/bin/cat", {eventFile()}, std::nullopt, QDir::tempPath(),
            [&](const QByteArray& line) {
                ++lines;
                benchmark::DoNotOptimize(line.size());
            },
            [&](AIResult<LineProcess::Output>) { loop.quit(); });
        loop.exec();
        runSeconds += timer.nsecsElapsed() / 1e9;
    }
    setBytes(state);
    const double perRun = runSeconds / state.iterations();
    state.counters["lines/s"] = benchmark::Counter(double(lines) / runSeconds);
    state.counters["ratio_to_cat"] = catSeconds / perRun;
    state.counters["ratio_to_pipe"] = pipeSeconds / perRun;
}

BENCHMARK(BM_CatIntoDevNull)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CatThroughPipe)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LineProcessRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    eventFile();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
