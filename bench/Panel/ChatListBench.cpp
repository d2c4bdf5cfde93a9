// What one streamed chunk costs the main thread in a conversation of 20 turns of about 4 KB
// each: the session's turns are replaced with the answering turn 2 characters longer, the list
// brings its rows up to date and the event loop lays out and paints, 2,000 chunks in all,
// under the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "Panel/AssistantSession.h"
#include "Panel/ChatList.h"
#include "Panel/ReplyScroll.h"
#include "Platform/fake/FakeClock.h"
#include "support/BenchMain.h"
#include "support/Statistics.h"

namespace {

constexpr int kTurns = 20;
constexpr int kChunks = 2000;
constexpr qsizetype kReplySize = 4000;

// About 4 KB of what replies hold: headings, lists, emphasis, code, links.
QString fourKilobyteReply(int seed) {
    const QString part = QStringLiteral(
        "## Abschnitt %1\n\nDas ist **wichtig**, weil *alles* zusammenhängt; siehe "
        "[die Seite](https://example.org/%1) und `code_%1()`.\n\n1. Erster Punkt mit etwas "
        "Text\n2. Zweiter Punkt\n   mit Fortsetzung\n- Stichpunkt\n  - tiefer\n\n> Ein Zitat, "
        "das länger ist als eine Zeile im Panel, damit es umbricht.\n\n```\nlet x = %1;\n"
        "print(x)\n```\n\n");
    QString reply;
    for (int i = 0; reply.size() < kReplySize; ++i)
        reply += part.arg(seed * 100 + i);
    return reply.left(kReplySize);
}

void BM_StreamChunkInTwentyTurns(benchmark::State& state) {
    Platform::FakeClock clock;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    QList<ConversationTurn> turns;
    for (int i = 0; i < kTurns; ++i) {
        ConversationTurn turn;
        turn.user = QStringLiteral("Frage %1").arg(i);
        turn.kind = ReplyKind::chat;
        turn.reply = fourKilobyteReply(i);
        turns.append(turn);
    }
    const QString streamed = turns.last().reply;
    turns.last().reply.clear();
    session.setTurns(turns);
    session.setActiveTurnID(turns.last().id);
    // In the panel's column, 260 high, as on a short screen.
    ReplyScroll column(10);
    column.columnLayout()->addWidget(new ChatList(session, nullptr));
    column.resize(532, 260);
    column.setHeightCap(260);
    column.show();
    QApplication::processEvents();

    std::vector<double> perChunk;
    QElapsedTimer timer;
    for (auto _ : state) {
        perChunk.clear();
        turns.last().reply.clear();
        session.setTurns(turns);
        QApplication::processEvents();
        const qsizetype step = streamed.size() / kChunks;
        for (int chunk = 1; chunk <= kChunks; ++chunk) {
            timer.start();
            turns.last().reply = streamed.left(chunk == kChunks ? streamed.size() : chunk * step);
            session.setTurns(turns);
            QApplication::processEvents();
            clock.advance(std::chrono::milliseconds(16));
            perChunk.push_back(timer.nsecsElapsed() / 1e6);
        }
        double total = 0;
        for (double ms : perChunk)
            total += ms;
        state.SetIterationTime(total / 1e3);
    }
    state.counters["chunk_median_ms"] = BenchStatistics::median(perChunk);
    state.counters["chunk_mean_ms"] = BenchStatistics::mean(perChunk);
    state.counters["chunk_worst_ms"] = BenchStatistics::worst(perChunk);
}

BENCHMARK(BM_StreamChunkInTwentyTurns)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
