// What a long draft costs while it streams into the real panel: a reply of 20,000 characters
// arrives the way claude sends it (a few words a chunk, about 980 characters a second, so some
// 20 s in all), each chunk written to the session as the application writes it, with the event
// loop running in real time between chunks. Measured in CPU time of the whole process: each
// chunk's share is what the process spent from that chunk to the next (its layout, its frame
// and whatever timers ran meanwhile). The figures compare chunks that arrive while about 1,000
// characters are shown with those at the end of the reply, and the CPU of the whole reply with
// its duration; beside them, what the streaming panel costs while no text arrives. Runs on whatever
// Qt platform the environment picks (offscreen, or xcb on an X server).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <vector>

#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Panel/RecordingPanelActions.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/X11FloatingWindows.h"
#include "Platform/linux/XcbConnection.h"
#include "support/BenchMain.h"
#include "support/Statistics.h"

namespace {

constexpr qsizetype kReplyLength = 20000;
// claude's pace, measured on a reply of 20,520 characters in about 21 s.
constexpr double kCharactersPerSecond = 977;

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(milliseconds, 0), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// A German reply in paragraphs of a few sentences, cut into chunks of one to five words the
// way the tool's deltas come; a paragraph break travels with the word before it.
QStringList replyInChunks() {
    const QStringList words = QStringLiteral(
                                  "Vielen Dank für die ausführliche Nachricht, ich habe mir die "
                                  "Unterlagen angesehen und finde den Vorschlag überzeugend. Für "
                                  "die nächste Woche schlage ich einen Termin am Donnerstag vor; "
                                  "dann können wir die offenen Punkte gemeinsam durchgehen und "
                                  "die Reihenfolge der Arbeiten festlegen. Bis dahin prüfe ich, "
                                  "ob das Budget für die zweite Phase reicht.")
                                  .split(QLatin1Char(' '));
    const int chunkWords[] = {3, 2, 4, 1, 5, 3, 2, 4};
    const int paragraphWords[] = {70, 45, 90, 60, 110, 50};
    QStringList chunks;
    qsizetype length = 0;
    int word = 0;
    int inParagraph = 0;
    int paragraph = 0;
    for (int chunk = 0; length < kReplyLength; ++chunk) {
        QString text;
        for (int i = 0; i < chunkWords[chunk % 8]; ++i) {
            if (!text.isEmpty() || length > 0)
                text +=
                    inParagraph == 0 && length > 0 ? QStringLiteral("\n\n") : QStringLiteral(" ");
            text += words[word++ % words.size()];
            if (++inParagraph == paragraphWords[paragraph % 6]) {
                inParagraph = 0;
                ++paragraph;
            }
        }
        text = text.left(kReplyLength - length);
        length += text.size();
        chunks << text;
    }
    return chunks;
}

double meanOfChunksShownBetween(const std::vector<double>& cpu,
                                const std::vector<qsizetype>& shownBefore, qsizetype from,
                                qsizetype to) {
    std::vector<double> picked;
    for (std::size_t i = 0; i < cpu.size(); ++i)
        if (shownBefore[i] >= from && shownBefore[i] < to)
            picked.push_back(cpu[i]);
    return picked.empty() ? 0 : BenchStatistics::mean(picked);
}

void BM_LongDraftStreamsIntoThePanel(benchmark::State& state) {
    Platform::QtClock clock;
    Platform::X11FloatingWindows windows(Platform::XcbConnection::open());
    PanelController controller({clock, windows, [] { return false; }});
    RecordingPanelActions actions(clock);
    const QStringList chunks = replyInChunks();

    for (auto _ : state) {
        ContextSnapshot context;
        context.fieldFrame = QRectF(200, 200, 300, 30);
        AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
        actions.setSession(&session);
        controller.show(session, actions);
        runFor(1000);

        // As the application starts a draft reply: the turn, its kind, the phase.
        const QString instruction = QStringLiteral("Schreib eine ausführliche Antwort");
        ConversationTurn turn;
        turn.user = instruction;
        turn.kind = ReplyKind::draft;
        QList<ConversationTurn> turns{turn};
        session.setTurns(turns);
        session.setActiveTurnID(turn.id);
        session.setSentInstruction(instruction);
        session.setRequestStarted(clock.now());
        session.setPhase(AssistantSession::Phase::streaming());
        session.setWaitStage(AssistantSession::WaitStage::writing);
        session.setAppliedInstructions({instruction});
        runFor(300);
        // What the streaming panel costs with no text arriving: the hint's dots, the cursor.
        const double quietCpu = processCpuSeconds();
        runFor(2000);
        state.counters["quiet_cpu_share"] = (processCpuSeconds() - quietCpu) / 2;

        std::vector<double> cpuPerChunk;
        std::vector<qsizetype> shownBefore;
        qsizetype shown = 0;
        double lastCpu = processCpuSeconds();
        const double startCpu = lastCpu;
        QElapsedTimer wall;
        wall.start();
        double due = 0;
        for (const QString& chunk : chunks) {
            runFor(int(due * 1000 - double(wall.elapsed())));
            const double now = processCpuSeconds();
            if (!shownBefore.empty())
                cpuPerChunk.push_back(now - lastCpu);
            lastCpu = now;
            shownBefore.push_back(shown);
            // As the application appends a text chunk of a draft.
            turns.first().reply += chunk;
            session.setTurns(turns);
            session.setDraft(session.draft() + chunk);
            shown += chunk.size();
            due += double(chunk.size()) / kCharactersPerSecond;
        }
        // The last chunk's share: until it would have been followed.
        runFor(int(due * 1000 - double(wall.elapsed())));
        const double endCpu = processCpuSeconds();
        cpuPerChunk.push_back(endCpu - lastCpu);
        const double seconds = double(wall.elapsed()) / 1000;

        state.SetIterationTime(endCpu - startCpu);
        state.counters["chunks"] = double(chunks.size());
        state.counters["reply_s"] = seconds;
        state.counters["reply_cpu_s"] = endCpu - startCpu;
        state.counters["cpu_share_of_reply"] = (endCpu - startCpu) / seconds;
        state.counters["chunk_cpu_ms_at_1k"] =
            1000 * meanOfChunksShownBetween(cpuPerChunk, shownBefore, 1000, 2000);
        state.counters["chunk_cpu_ms_at_19k"] =
            1000 * meanOfChunksShownBetween(cpuPerChunk, shownBefore, 19000, kReplyLength);

        session.setPhase(AssistantSession::Phase::done());
        controller.hide();
        runFor(500);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        actions.setSession(nullptr);
    }
    state.SetLabel(QGuiApplication::platformName().toStdString());
}

BENCHMARK(BM_LongDraftStreamsIntoThePanel)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
