// What the coordinator adds on the road of a request: from a line the tool wrote arriving on
// the main thread to the session's change signal, and the work from send() until the tool
// is asked (prompts with 60 activity entries and 1,000 saved notes in the memory).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include "AI/Chunk.h"
#include "App/CoordinatorHarness.h"
#include "support/BenchMain.h"

namespace {

// A memory as full as it gets: 60 recent activities and 1,000 saved notes.
void fillMemory(MemoryStore& memory, const QDateTime& now) {
    MemoryData data;
    const QString sentence = QStringLiteral(
        "Angebot für „Müller & Söhne“ bis 27.11. – siehe https://example.com/angebote/2026.\n");
    for (int i = 0; i < 1000; ++i) {
        MemoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.date = now.addSecs(-i * 60);
        entry.app = QStringLiteral("Mail");
        entry.text = QStringLiteral("Notiz %1: ").arg(i) + sentence.repeated(2 + i % 5);
        data.saved.append(entry);
    }
    for (int i = 0; i < 60; ++i) {
        MemoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.date = now.addSecs(-i * 30);
        entry.app = QStringLiteral("Mail");
        entry.kind = MemoryEntry::Kind::viewed;
        entry.text = QStringLiteral("Viewed: Posteingang\nUser asked: ") + sentence;
        data.activity.append(entry);
    }
    memory.setData(data);
}

void BM_LineToSessionSignal(benchmark::State& state) {
    CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
    AssistantSession& session = h.open();
    h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
    h.provider.feed({QStringLiteral("[[CHAT]]")});
    bool changed = false;
    QObject::connect(&session, &AssistantSession::turnsChanged, [&] { changed = true; });
    ChunkStream* stream = h.provider.at(-1).stream;
    int lines = 0;
    for (auto _ : state) {
        // A reply of a few kilobytes, as real ones are, not one that grows without end.
        if (++lines % 80 == 0) {
            state.PauseTiming();
            stream->yield(Chunk::reset());
            stream->yield(QStringLiteral("[[CHAT]]"));
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        changed = false;
        stream->yield(QStringLiteral("Ein Satz der Antwort, wie er aus der Leitung kommt. "));
        while (!changed)
            QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_LineToSessionSignal)->Unit(benchmark::kMicrosecond);

// A megabyte of draft written in 20,000 pieces while the main thread was busy: from the first
// piece to the session holding the whole draft.
void BM_ALongReplyInSmallPieces(benchmark::State& state) {
    const QString piece = QStringLiteral("Ein Stück der Antwort, fünfzig Zeichen lang, etwa. ");
    for (auto _ : state) {
        state.PauseTiming();
        CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
        AssistantSession& session = h.open();
        h.coordinator->send(QStringLiteral("Schreib lang"), std::nullopt, false);
        h.provider.feed({QStringLiteral("[[DRAFT]]")});
        ChunkStream* stream = h.provider.at(-1).stream;
        QCoreApplication::processEvents();
        state.ResumeTiming();
        for (int i = 0; i < 20000; ++i)
            stream->yield(piece);
        while (session.draft().size() < 20000 * piece.size())
            QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ALongReplyInSmallPieces)->Unit(benchmark::kMillisecond)->Iterations(3);

// With the real Claude provider the measure includes starting the tool's process (the
// stand-in program, which ends at once).
void BM_WorkBeforeTheToolStarts(benchmark::State& state) {
    CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
    h.realProviders = state.range(0) != 0;
    fillMemory(h.memory, h.clock.now());
    AssistantSession& session = h.open();
    for (auto _ : state) {
        const size_t before = h.provider.calls.size();
        h.coordinator->send(QStringLiteral("Fass das bitte kurz zusammen"), std::nullopt, false);
        if (!h.realProviders && h.provider.calls.size() != before + 1)
            state.SkipWithError("the tool was not asked at once");
        state.PauseTiming();
        h.coordinator->stopGenerating();
        session.setTurns({});
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WorkBeforeTheToolStarts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
