// The panel's requests: the primary action, writing now, a new variant, a retry, a stop,
// the other tool, and sending itself.

#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "Memory/MemoryCommand.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"

using namespace CoordinatorShared;

void AppCoordinator::primaryAction() {
    AssistantSession* s = session_.get();
    if (!s || s->isListening() || s->phase().kind() == AssistantSession::Phase::Kind::streaming)
        return;
    const QString instruction = trimmed(s->instruction());
    if (!instruction.isEmpty()) {
        std::optional<ReplyKind> forced;
        if (s->mode() == AssistantSession::Mode::discuss)
            forced = ReplyKind::chat;
        else if (s->mode() == AssistantSession::Mode::write)
            forced = ReplyKind::draft;
        send(instruction, forced, false);
        return;
    }
    if (s->phase().kind() == AssistantSession::Phase::Kind::done)
        insert();
    else
        writeNow();
}

void AppCoordinator::writeNow() {
    AssistantSession* s = session_.get();
    if (!s || s->isListening() || s->phase().kind() == AssistantSession::Phase::Kind::streaming)
        return;
    const QString instruction = trimmed(s->instruction());
    if (!instruction.isEmpty()) {
        send(instruction, ReplyKind::draft, false);
        return;
    }
    if (!s->chatTurns().isEmpty())
        send(tr("Schreib die Antwort jetzt so, wie wir es besprochen haben."), ReplyKind::draft,
             true);
    else
        send(QString(), ReplyKind::draft, false);
}

void AppCoordinator::regenerate() {
    if (!session_ || session_->phase().kind() == AssistantSession::Phase::Kind::streaming)
        return;
    send(tr("Schreib eine neue Variante der Antwort mit anderer Formulierung."), ReplyKind::draft,
         true);
}

void AppCoordinator::retryLastRequest() {
    if (!lastRequest_)
        return;
    const Request request = *lastRequest_;
    send(request.input, request.forced, request.hidden);
}

void AppCoordinator::stopGenerating() {
    AssistantSession* s = session_.get();
    if (!s)
        return;
    cancelTask(generationTask_);
    if (s->activeTurnID()) {
        QList<ConversationTurn> turns = s->turns();
        if (const auto index = indexOfTurn(turns, *s->activeTurnID())) {
            const ConversationTurn& turn = turns[*index];
            const bool unanswered =
                !turn.kind || (*turn.kind == ReplyKind::chat && trimmed(turn.reply).isEmpty());
            if (unanswered) {
                turns.removeAt(*index);
                s->setTurns(turns);
                if (!trimmed(s->sentInstruction()).isEmpty() && trimmed(s->instruction()).isEmpty())
                    s->setInstruction(s->sentInstruction());
            }
        }
    }
    s->setActiveTurnID(std::nullopt);
    s->setDraft(trimmed(s->draft()));
    s->setPhase(s->hasDraft() ? AssistantSession::Phase::done() : AssistantSession::Phase::ready());
}

void AppCoordinator::dismissScreenHint() {
    if (session_)
        session_->setScreenHintDismissed(true);
}

void AppCoordinator::chooseProject(std::optional<Project> project) {
    if (!session_)
        return;
    changeProject(*session_, std::move(project));
    session_->setProjectChosenManually(true);
}

void AppCoordinator::switchProvider(ProviderID provider, bool rewrite) {
    if (!session_)
        return;
    session_->setProvider(provider);
    if (rewrite && lastRequest_) {
        const Request request = *lastRequest_;
        send(request.input, request.forced, request.hidden);
    }
}

void AppCoordinator::send(const QString& input, std::optional<ReplyKind> forced, bool hidden) {
    AssistantSession* s = session_.get();
    if (!s)
        return;
    const AssistantSettings& current = s_.settings.settings();
    if (!hidden) {
        if (current.savedMemoriesEnabled) {
            if (const std::optional<QString> note = MemoryCommand::note(input)) {
                rememberLocally(*note, input, *s);
                return;
            }
        }
        if (s->hasDraft() && current.learnStyle)
            addStyleSignal(QStringLiteral("Correction asked on a draft: ") + input);
    }

    cancelTask(generationTask_);
    lastRequest_ = Request{input, forced, hidden};
    emit lastRequestChanged();

    auto g = std::make_shared<Generation>();
    g->session = s;
    g->input = input;
    g->forced = forced;
    g->hidden = hidden;
    g->currentDraft = s->hasDraft() ? std::optional<QString>(s->draft()) : std::nullopt;
    g->history = s->turns();

    ConversationTurn turn;
    turn.user = input;
    turn.hidden = hidden;
    g->turnID = turn.id;
    QList<ConversationTurn> turns = s->turns();
    turns.append(turn);
    s->setTurns(turns);
    s->setActiveTurnID(turn.id);
    s->setSentInstruction(hidden ? QString() : input);
    // The field empties only when what it holds is what goes out. A hidden request ("Neu",
    // a retry, another tool rewriting) or a resent one never typed there leaves the user's
    // unsent text where it is.
    if (!hidden && trimmed(s->instruction()) == trimmed(input))
        s->setInstruction(QString());
    s->setPhase(AssistantSession::Phase::streaming());

    g->settings = s_.settings.settings();
    g->provider = s->provider();
    s->setRequestStarted(s_.clock.now());
    s->setModelLabel(modelLabel(g->provider, g->settings));
    s->setWaitStage(s->isCapturing() ? AssistantSession::WaitStage::capturing
                                     : AssistantSession::WaitStage::connecting);
    g->start = s_.clock.monotonic();
    // The field's words, where they came later than the panel, follow the picture.
    generationTask_ =
        startGeneration(g, fieldTextTask_ ? fieldTextTask_ : captureTask_, quoteTask_);
}

QString AppCoordinator::modelLabel(ProviderID provider, const AssistantSettings& config) {
    if (provider == ProviderID::codexCLI)
        return QStringLiteral("ChatGPT");
    const std::optional<QString> model = config.model(ProviderID::claudeCLI);
    if (!model || model->trimmed().isEmpty() || model->contains(QLatin1Char('-')))
        return QStringLiteral("Claude");
    const QString name = model->trimmed();
    return QStringLiteral("Claude ") + name.left(1).toUpper() + name.mid(1);
}
