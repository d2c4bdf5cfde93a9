// The streamed reply: the waits for the picture, the quote and the page, the request to the
// tool, and each chunk into the session's turns and draft.

#include <QLoggingCategory>

#include "AI/Chunk.h"
#include "AI/PromptBuilder.h"
#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "Context/PageReader.h"
#include "Memory/MemoryStore.h"
#include "Platform/Clock.h"
#include "Platform/SystemLog.h"

using namespace CoordinatorShared;

CoreTaskPtr AppCoordinator::startGeneration(std::shared_ptr<Generation> g,
                                            const CoreTaskPtr& capture, const CoreTaskPtr& quote) {
    auto task = std::make_shared<CoreTask>();
    g->task = task;
    afterTask(capture, [this, g, quote] {
        // After the wait for the window picture.
        if (!isCurrent(*g))
            return;
        g->session->setWaitStage(AssistantSession::WaitStage::connecting);
        g->screenInstant = s_.clock.monotonic();

        const CoreTaskPtr self = g->task.lock();
        if (!quote || quote->isFinished()) {
            afterQuoteWait(g);
            return;
        }
        // The quoted message gets a short moment; it goes on and arrives later otherwise.
        auto once = std::make_shared<bool>(false);
        const auto proceed = [this, g, once] {
            if (*once)
                return;
            *once = true;
            afterQuoteWait(g);
        };
        self->hold(s_.clock.singleShot(kQuoteWait, proceed));
        quote->whenFinished(proceed);
    });
    return task;
}

void AppCoordinator::afterQuoteWait(const std::shared_ptr<Generation>& g) {
    // After the wait for the quoted message.
    if (!isCurrent(*g))
        return;
    AssistantSession& s = *g->session;
    const bool wantsPage = !s.pageText() && PageReader::wantsFullPage(g->input) && s.context() &&
                           s.context()->processID > 0;
    if (!wantsPage) {
        streamReply(g);
        return;
    }
    s.setActivity(tr("Liest die ganze Seite …"));
    g->task.lock()->hold(s_.context.readPage(s.context()->processID, kPageMaxChars, kPageBudget,
                                             [this, g](std::optional<QString> text) {
                                                 // After the wait for the page text.
                                                 if (!isCurrent(*g))
                                                     return;
                                                 g->session->setPageText(std::move(text));
                                                 g->session->setActivity(std::nullopt);
                                                 streamReply(g);
                                             }));
}

void AppCoordinator::streamReply(const std::shared_ptr<Generation>& g) {
    AssistantSession& s = *g->session;
    const AssistantSettings& settings = g->settings;
    const std::optional<ContextSnapshot> context = s.context();
    const std::optional<Project> project = s.project();

    s_.memory.prune(settings.activityMemory);
    const QString appName = context ? context->appName : QStringLiteral("an app");
    const std::optional<QString> memory = s_.memory.promptSection(settings);
    const QList<ThreadMessage> thread =
        s.quote() && s.quote()->isSelection ? QList<ThreadMessage>() : s.thread();

    AIRequest request;
    request.system = PromptBuilder::system(settings, appName, project, memory);
    request.user = PromptBuilder::user(context, s.quote(), thread, g->history, g->currentDraft,
                                       g->input, g->forced, settings.replyLanguage, s.pageText());
    if (settings.includeScreenshot && context)
        request.imageJPEG = context->screenshotJPEG;
    request.model = settings.model(g->provider);
    if (project && project->readsCode)
        request.projectFolder = project->folderURL();

    const CoreTaskPtr task = g->task.lock();
    std::unique_ptr<AIProvider> ai = s_.makeProvider(g->provider, settings);
    ChunkStream* stream = task->hold(ai->stream(request));
    task->hold(std::move(ai));
    // The session keeps the whole reply: each chunk costs the reply's length.
    stream->setMergesText(true);
    connect(stream, &ChunkStream::chunk, stream, [this, g](const QString& chunk) {
        // After the wait for the next chunk.
        if (!isCurrent(*g))
            return;
        applyChunk(*g, chunk);
    });
    connect(stream, &ChunkStream::finished, stream,
            [this, g](const std::optional<AIFailure>& failure) {
                // After the wait for the end of the reply.
                if (!isCurrent(*g))
                    return;
                if (failure)
                    streamFailed(*g, *failure);
                else
                    endOfStream(g);
            });
}

void AppCoordinator::applyChunk(Generation& g, const QString& chunk) {
    AssistantSession& s = *g.session;
    if (!Chunk::isControl(chunk)) {
        applyText(g, chunk);
        return;
    }
    if (chunk == Chunk::connected()) {
        qCInfo(timingLog, "Antwort: Bildschirm %lld ms, Server erreicht nach %lld ms",
               millisBetween(g.start, g.screenInstant),
               millisBetween(g.start, s_.clock.monotonic()));
        return;
    }
    if (chunk == Chunk::thinking()) {
        s.setWaitStage(AssistantSession::WaitStage::thinking);
        return;
    }
    if (chunk == Chunk::reset()) {
        if (g.kind == ReplyKind::draft)
            s.setDraft(g.currentDraft.value_or(QString()));
        QList<ConversationTurn> turns = s.turns();
        if (const auto index = indexOfTurn(turns, g.turnID)) {
            turns[*index].reply.clear();
            turns[*index].kind.reset();
            s.setTurns(turns);
        }
        g.pending.clear();
        g.kind.reset();
        return;
    }
    const QString toolPrefix = Chunk::tool(QString());
    if (chunk.startsWith(toolPrefix)) {
        s.setActivity(activityText(chunk.mid(toolPrefix.size())));
        return;
    }
}

namespace {

// Adds `text` to the active turn and, for a draft, to the draft; nothing when the turn is
// gone (the user stopped the reply).
void appendReply(AssistantSession& s, const QUuid& turnID, std::optional<ReplyKind> kind,
                 const QString& text) {
    QList<ConversationTurn> turns = s.turns();
    const auto index = indexOfTurn(turns, turnID);
    if (!index)
        return;
    turns[*index].reply += text;
    s.setTurns(turns);
    if (kind == ReplyKind::draft)
        s.setDraft(s.draft() + text);
}

void decideKind(AssistantSession& s, const QUuid& turnID, ReplyKind kind) {
    QList<ConversationTurn> turns = s.turns();
    if (const auto index = indexOfTurn(turns, turnID)) {
        turns[*index].kind = kind;
        s.setTurns(turns);
    }
}

}  // namespace

void AppCoordinator::applyText(Generation& g, const QString& text) {
    AssistantSession& s = *g.session;
    if (s.activity())
        s.setActivity(std::nullopt);
    if (g.firstText) {
        s.setWaitStage(AssistantSession::WaitStage::writing);
        qCInfo(timingLog, "Antwort: erstes Wort nach %lld ms (%s)",
               millisBetween(g.start, s_.clock.monotonic()), qUtf8Printable(s.modelLabel()));
        g.firstText = false;
    }
    if (g.kind) {
        appendReply(s, g.turnID, g.kind, text);
        return;
    }
    g.pending += text;
    const auto decided = PromptBuilder::parseMarker(g.pending, g.fallback());
    if (!decided)
        return;
    g.kind = decided->first;
    decideKind(s, g.turnID, *g.kind);
    if (*g.kind == ReplyKind::draft) {
        s.setDraft(QString());
        if (!g.hidden)
            s.setAppliedInstructions(s.appliedInstructions() + QStringList{g.input});
    }
    appendReply(s, g.turnID, g.kind, decided->second);
}

void AppCoordinator::endOfStream(const std::shared_ptr<Generation>& g) {
    AssistantSession& s = *g->session;
    if (!g->kind) {
        // A blank turns an unfinished marker at the very end into plain text.
        if (const auto decided =
                PromptBuilder::parseMarker(g->pending + QLatin1Char(' '), g->fallback())) {
            g->kind = decided->first;
            decideKind(s, g->turnID, *g->kind);
            if (*g->kind == ReplyKind::draft)
                s.setDraft(QString());
            appendReply(s, g->turnID, g->kind, decided->second);
        }
    }
    QList<ConversationTurn> turns = s.turns();
    if (const auto index = indexOfTurn(turns, g->turnID)) {
        turns[*index].reply = trimmed(turns[*index].reply);
        s.setTurns(turns);
    }
    s.setDraft(trimmed(s.draft()));

    if (g->kind == ReplyKind::draft) {
        translateDraft(g, [this, g] {
            // After the wait for the translation.
            if (!isCurrent(*g))
                return;
            finishReply(*g);
        });
        return;
    }
    finishReply(*g);
}

QString AppCoordinator::activityText(const QString& tool) {
    if (tool == QLatin1String("Read"))
        return tr("Liest Dateien im Projekt …");
    if (tool == QLatin1String("Grep"))
        return tr("Durchsucht den Code …");
    if (tool == QLatin1String("Glob"))
        return tr("Sucht Dateien …");
    if (tool == QLatin1String("Bash"))
        return tr("Schaut in GitHub/git nach …");
    return tr("Schaut im Projekt nach …");
}
