// How fast the line runner hands over a tool's output: a child writes 100 MB of JSON event
// lines. Its yardstick is the same file sent through one pipe between two processes
// (`cat | cat`), which is what any reader of a child's output must at least pay. The two run
// interleaved, in alternating order, so that a busy machine slows both alike; the figure is
// the ratio of their medians.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

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

// Seconds for the file to pass through a pipe between two processes.
double pipeSeconds() {
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("/bin/sh",
                      {"-c", QStringLiteral("cat '%1' | cat > /dev/null").arg(eventFile())});
    return timer.nsecsElapsed() / 1e9;
}

// Seconds for the runner to hand over every line of the file; counts the lines.
double runnerSeconds(qint64& lines) {
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
    return timer.nsecsElapsed() / 1e9;
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

void BM_LineProcessAgainstPipe(benchmark::State& state) {
    std::vector<double> runner;
    std::vector<double> pipe;
    qint64 lines = 0;
    bool runnerFirst = true;
    for (auto _ : state) {
        if (runnerFirst) {
            runner.push_back(runnerSeconds(lines));
            pipe.push_back(pipeSeconds());
        } else {
            pipe.push_back(pipeSeconds());
            runner.push_back(runnerSeconds(lines));
        }
        runnerFirst = !runnerFirst;
        state.SetIterationTime(runner.back());
    }
    const double runnerMedian = median(runner);
    const double pipeMedian = median(pipe);
    state.SetBytesProcessed(state.iterations() * QFile(eventFile()).size());
    state.counters["runner_median_ms"] = runnerMedian * 1e3;
    state.counters["pipe_median_ms"] = pipeMedian * 1e3;
    // Above 1 the runner is slower than the bare pipe by that factor.
    state.counters["runner_to_pipe"] = runnerMedian / pipeMedian;
    state.counters["lines/s"] = double(lines) / (runnerMedian * double(state.iterations()));
}

BENCHMARK(BM_LineProcessAgainstPipe)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(9);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    eventFile();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
