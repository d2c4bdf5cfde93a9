#include "Panel/AssistantSession.h"

#include <QCoreApplication>

namespace {

// Stores `value` when it differs from `field`; reports whether it did.
template <typename T>
bool assign(T& field, T&& value) {
    if (field == value)
        return false;
    field = std::move(value);
    return true;
}

}  // namespace

AssistantSession::AssistantSession(std::optional<Platform::RunningApplication> targetApp,
                                   std::optional<ContextSnapshot> context, ProviderID provider,
                                   QObject* parent)
    : QObject(parent),
      targetApp_(std::move(targetApp)),
      context_(std::move(context)),
      provider_(provider) {}

void AssistantSession::setContext(std::optional<ContextSnapshot> value) {
    if (assign(context_, std::move(value)))
        emit contextChanged();
}

void AssistantSession::setProvider(ProviderID value) {
    if (assign(provider_, std::move(value)))
        emit providerChanged();
}

void AssistantSession::setCapturing(bool value) {
    if (assign(isCapturing_, std::move(value)))
        emit isCapturingChanged();
}

void AssistantSession::setReadingQuote(bool value) {
    if (assign(isReadingQuote_, std::move(value)))
        emit isReadingQuoteChanged();
}

void AssistantSession::setQuotePlaceholderHidden(bool value) {
    if (assign(quotePlaceholderHidden_, std::move(value)))
        emit quotePlaceholderHiddenChanged();
}

void AssistantSession::setQuote(std::optional<QuotedMessage> value) {
    if (assign(quote_, std::move(value)))
        emit quoteChanged();
}

void AssistantSession::setThread(QList<ThreadMessage> value) {
    if (assign(thread_, std::move(value)))
        emit threadChanged();
}

void AssistantSession::setPageText(std::optional<QString> value) {
    if (assign(pageText_, std::move(value)))
        emit pageTextChanged();
}

void AssistantSession::setScreenHintDismissed(bool value) {
    if (assign(screenHintDismissed_, std::move(value)))
        emit screenHintDismissedChanged();
}

void AssistantSession::setInstruction(QString value) {
    if (assign(instruction_, std::move(value)))
        emit instructionChanged();
}

void AssistantSession::setSentInstruction(QString value) {
    if (assign(sentInstruction_, std::move(value)))
        emit sentInstructionChanged();
}

void AssistantSession::setAppliedInstructions(QStringList value) {
    if (assign(appliedInstructions_, std::move(value)))
        emit appliedInstructionsChanged();
}

void AssistantSession::setMode(Mode value) {
    if (assign(mode_, std::move(value)))
        emit modeChanged();
}

void AssistantSession::setProject(std::optional<Project> value) {
    if (assign(project_, std::move(value)))
        emit projectChanged();
}

void AssistantSession::setProjectChosenManually(bool value) {
    if (assign(projectChosenManually_, std::move(value)))
        emit projectChosenManuallyChanged();
}

void AssistantSession::setActionProposal(std::optional<ActionProposal> value) {
    if (assign(actionProposal_, std::move(value)))
        emit actionProposalChanged();
}

void AssistantSession::setDefinitionProposal(std::optional<ActionDefinitionProposal> value) {
    if (assign(definitionProposal_, std::move(value)))
        emit definitionProposalChanged();
}

void AssistantSession::setActivity(std::optional<QString> value) {
    if (assign(activity_, std::move(value)))
        emit activityChanged();
}

void AssistantSession::setWaitStage(WaitStage value) {
    if (assign(waitStage_, std::move(value)))
        emit waitStageChanged();
}

void AssistantSession::setRequestStarted(std::optional<QDateTime> value) {
    if (assign(requestStarted_, std::move(value)))
        emit requestStartedChanged();
}

void AssistantSession::setModelLabel(QString value) {
    if (assign(modelLabel_, std::move(value)))
        emit modelLabelChanged();
}

void AssistantSession::setTurns(QList<ConversationTurn> value) {
    if (assign(turns_, std::move(value)))
        emit turnsChanged();
}

void AssistantSession::setActiveTurnID(std::optional<QUuid> value) {
    if (assign(activeTurnID_, std::move(value)))
        emit activeTurnIDChanged();
}

void AssistantSession::setListening(bool value) {
    if (assign(isListening_, std::move(value)))
        emit isListeningChanged();
}

void AssistantSession::setListeningHeld(bool value) {
    if (assign(isListeningHeld_, std::move(value)))
        emit isListeningHeldChanged();
}

void AssistantSession::setLiveConfirmed(QString value) {
    if (assign(liveConfirmed_, std::move(value)))
        emit liveConfirmedChanged();
}

void AssistantSession::setLiveTentative(QString value) {
    if (assign(liveTentative_, std::move(value)))
        emit liveTentativeChanged();
}

void AssistantSession::setLevels(QList<float> value) {
    if (assign(levels_, std::move(value)))
        emit levelsChanged();
}

void AssistantSession::setDictationError(std::optional<QString> value) {
    if (assign(dictationError_, std::move(value)))
        emit dictationErrorChanged();
}

void AssistantSession::setDraft(QString value) {
    if (assign(draft_, std::move(value)))
        emit draftChanged();
}

void AssistantSession::setPhase(Phase value) {
    if (assign(phase_, std::move(value)))
        emit phaseChanged();
}

bool AssistantSession::hasDraft() const {
    return !draft_.trimmed().isEmpty();
}

QList<ConversationTurn> AssistantSession::chatTurns() const {
    QList<ConversationTurn> result;
    for (const ConversationTurn& turn : turns_) {
        if (turn.kind && *turn.kind != ReplyKind::draft && !turn.hidden)
            result.append(turn);
    }
    return result;
}

std::optional<ConversationTurn> AssistantSession::activeTurn() const {
    if (!activeTurnID_)
        return std::nullopt;
    for (const ConversationTurn& turn : turns_) {
        if (turn.id == *activeTurnID_)
            return turn;
    }
    return std::nullopt;
}

void AssistantSession::pushLevel(float level) {
    // An empty display has no oldest level to give up; it stays empty.
    if (levels_.isEmpty())
        return;
    QList<float> shifted = levels_.mid(1);
    shifted.append(level);
    setLevels(std::move(shifted));
}

namespace {

struct ModeRow {
    AssistantSession::Mode mode;
    const char* raw;
};

constexpr ModeRow kModes[] = {
    {AssistantSession::Mode::automatic, "auto"},
    {AssistantSession::Mode::discuss, "discuss"},
    {AssistantSession::Mode::write, "write"},
};

}  // namespace

QString rawValue(AssistantSession::Mode mode) {
    for (const ModeRow& row : kModes) {
        if (row.mode == mode)
            return QString::fromLatin1(row.raw);
    }
    Q_UNREACHABLE();
}

std::optional<AssistantSession::Mode> modeFromRaw(const QString& raw) {
    for (const ModeRow& row : kModes) {
        if (raw == QLatin1String(row.raw))
            return row.mode;
    }
    return std::nullopt;
}

QList<AssistantSession::Mode> allModes() {
    QList<AssistantSession::Mode> modes;
    for (const ModeRow& row : kModes)
        modes.append(row.mode);
    return modes;
}

QString title(AssistantSession::Mode mode) {
    switch (mode) {
        case AssistantSession::Mode::automatic:
            return QCoreApplication::translate("AssistantSession", "Auto", "Panel mode");
        case AssistantSession::Mode::discuss:
            return QCoreApplication::translate("AssistantSession", "Besprechen", "Panel mode");
        case AssistantSession::Mode::write:
            return QCoreApplication::translate("AssistantSession", "Schreiben", "Panel mode");
    }
    Q_UNREACHABLE();
}
