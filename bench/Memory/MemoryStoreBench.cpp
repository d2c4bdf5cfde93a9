// What one recorded activity costs the main thread when the memory holds 1,000 saved notes
// (about 670 KB of memory.json), apart from what the worker then spends encoding and writing
// the file; and the encoding alone.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "Memory/MemoryFile.h"
#include "Memory/MemoryStore.h"
#include "Platform/fake/FakeClock.h"
#include "support/BenchMain.h"
#include "support/Statistics.h"

namespace {

constexpr int noteCount = 1000;

// Notes of varying length with what real ones hold: umlauts, links, quotes, line breaks.
MemoryData thousandNotes(const QDateTime& now) {
    MemoryData data;
    const QString sentence = QStringLiteral(
        "Angebot für „Müller & Söhne“ bis 27.11. – siehe https://example.com/angebote/2026 und "
        "den Ordner Projekte/Kunden.\n");
    for (int i = 0; i < noteCount; ++i) {
        MemoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.date = now.addSecs(-i * 60);
        entry.app = QStringLiteral("Mail");
        entry.kind = MemoryEntry::Kind::wrote;
        entry.text = QStringLiteral("Notiz %1: ").arg(i);
        for (int k = 0; k < 2 + i % 7; ++k)
            entry.text += sentence;
        data.saved.append(entry);
    }
    return data;
}

void BM_RecordActivityWithThousandNotes(benchmark::State& state) {
    QTemporaryDir home;
    Platform::FakeClock clock;
    MemoryStore store(home.path(), clock);
    store.setData(thousandNotes(clock.now()));
    store.save();
    store.flush();

    std::vector<double> mainThread;
    std::vector<double> worker;
    QElapsedTimer timer;
    int i = 0;
    for (auto _ : state) {
        timer.start();
        store.recordActivity(QStringLiteral("Mail"), QStringLiteral("Angebot"),
                             QStringLiteral("Danke, passt so. %1").arg(++i), MemoryRetention::week,
                             MemoryEntry::Kind::wrote);
        // The turn of the event loop ends: the coalesced save is handed to the worker.
        QCoreApplication::sendPostedEvents(&store);
        const double seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        mainThread.push_back(seconds * 1e3);

        timer.start();
        store.flush();
        worker.push_back(timer.nsecsElapsed() / 1e6);
    }
    state.counters["main_median_ms"] = BenchStatistics::median(mainThread);
    state.counters["main_worst_ms"] = BenchStatistics::worst(mainThread);
    state.counters["worker_median_ms"] = BenchStatistics::median(worker);
}

void BM_EncodeThousandNotes(benchmark::State& state) {
    const MemoryData data = thousandNotes(QDateTime::currentDateTimeUtc());
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray json = MemoryFile::encode(data);
        bytes += json.size();
        benchmark::DoNotOptimize(json.constData());
    }
    state.SetBytesProcessed(bytes);
    state.counters["file_kb"] = double(bytes) / double(state.iterations()) / 1000.0;
}

BENCHMARK(BM_RecordActivityWithThousandNotes)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(200);
BENCHMARK(BM_EncodeThousandNotes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return runBenchmarks<QCoreApplication>(argc, argv);
}
