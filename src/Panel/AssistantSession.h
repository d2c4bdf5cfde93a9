#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

#include "AI/AssistantProblem.h"
#include "AI/ConversationTurn.h"
#include "AI/QuotedMessage.h"
#include "AI/ThreadMessage.h"
#include "Actions/ActionDefinitionProposal.h"
#include "Actions/ActionProposal.h"
#include "Context/ContextSnapshot.h"
#include "Platform/RunningApplication.h"
#include "Projects/Project.h"
#include "Settings/ProviderID.h"

// The state of one panel invocation: what the user was looking at, the conversation with the
// AI, the draft, the wait and error state and the live dictation display. The application
// creates a fresh one each time the panel opens and is its main writer; the panel observes it.
//
// Main thread only. Every setter stores the value and emits the field's change signal only when
// the value differs from the stored one. The derived members follow their fields' signals:
// hasDraft() draftChanged, chatTurns() turnsChanged, activeTurn() turnsChanged and
// activeTurnIDChanged.
class AssistantSession : public QObject {
    Q_OBJECT

public:
    using Problem = AssistantProblem;

    // How far a running request has come.
    enum class WaitStage { capturing, connecting, thinking, writing };

    // The panel mode the user chose. Raw values: "auto", "discuss", "write".
    enum class Mode { automatic, discuss, write };

    // The request state; a failed phase carries its problem.
    class Phase {
    public:
        enum class Kind { failed, ready, streaming, done };

        static Phase failed(Problem problem) { return Phase(Kind::failed, std::move(problem)); }
        static Phase ready() { return Phase(Kind::ready); }
        static Phase streaming() { return Phase(Kind::streaming); }
        static Phase done() { return Phase(Kind::done); }

        Kind kind() const { return kind_; }
        // Present exactly when the phase is failed.
        const std::optional<Problem>& problem() const { return problem_; }

        bool operator==(const Phase&) const = default;

    private:
        explicit Phase(Kind kind, std::optional<Problem> problem = std::nullopt)
            : kind_(kind), problem_(std::move(problem)) {}

        Kind kind_;
        std::optional<Problem> problem_;
    };

    static constexpr int kLevelCount = 14;

    AssistantSession(std::optional<Platform::RunningApplication> targetApp,
                     std::optional<ContextSnapshot> context, ProviderID provider,
                     QObject* parent = nullptr);

    // The application that was in front when the panel opened; never changes.
    const std::optional<Platform::RunningApplication>& targetApp() const { return targetApp_; }

    const std::optional<ContextSnapshot>& context() const { return context_; }
    void setContext(std::optional<ContextSnapshot> value);
    ProviderID provider() const { return provider_; }
    void setProvider(ProviderID value);
    bool isCapturing() const { return isCapturing_; }
    void setCapturing(bool value);
    bool isReadingQuote() const { return isReadingQuote_; }
    void setReadingQuote(bool value);
    bool quotePlaceholderHidden() const { return quotePlaceholderHidden_; }
    void setQuotePlaceholderHidden(bool value);
    const std::optional<QuotedMessage>& quote() const { return quote_; }
    void setQuote(std::optional<QuotedMessage> value);
    const QList<ThreadMessage>& thread() const { return thread_; }
    void setThread(QList<ThreadMessage> value);
    const std::optional<QString>& pageText() const { return pageText_; }
    void setPageText(std::optional<QString> value);
    bool screenHintDismissed() const { return screenHintDismissed_; }
    void setScreenHintDismissed(bool value);

    const QString& instruction() const { return instruction_; }
    void setInstruction(QString value);
    const QString& sentInstruction() const { return sentInstruction_; }
    void setSentInstruction(QString value);
    const QStringList& appliedInstructions() const { return appliedInstructions_; }
    void setAppliedInstructions(QStringList value);
    Mode mode() const { return mode_; }
    void setMode(Mode value);

    const std::optional<Project>& project() const { return project_; }
    void setProject(std::optional<Project> value);
    bool projectChosenManually() const { return projectChosenManually_; }
    void setProjectChosenManually(bool value);
    const std::optional<ActionProposal>& actionProposal() const { return actionProposal_; }
    void setActionProposal(std::optional<ActionProposal> value);
    const std::optional<ActionDefinitionProposal>& definitionProposal() const {
        return definitionProposal_;
    }
    void setDefinitionProposal(std::optional<ActionDefinitionProposal> value);

    const std::optional<QString>& activity() const { return activity_; }
    void setActivity(std::optional<QString> value);
    WaitStage waitStage() const { return waitStage_; }
    void setWaitStage(WaitStage value);
    const std::optional<QDateTime>& requestStarted() const { return requestStarted_; }
    void setRequestStarted(std::optional<QDateTime> value);
    const QString& modelLabel() const { return modelLabel_; }
    void setModelLabel(QString value);
    const QList<ConversationTurn>& turns() const { return turns_; }
    void setTurns(QList<ConversationTurn> value);
    const std::optional<QUuid>& activeTurnID() const { return activeTurnID_; }
    void setActiveTurnID(std::optional<QUuid> value);

    bool isListening() const { return isListening_; }
    void setListening(bool value);
    // Whether the listening lasts as long as a key is held (the shortcut or the push-to-talk
    // key): its release takes the words. After a click on the microphone, a second click does.
    bool isListeningHeld() const { return isListeningHeld_; }
    void setListeningHeld(bool value);
    const QString& liveConfirmed() const { return liveConfirmed_; }
    void setLiveConfirmed(QString value);
    const QString& liveTentative() const { return liveTentative_; }
    void setLiveTentative(QString value);
    // Recent microphone levels, oldest first.
    const QList<float>& levels() const { return levels_; }
    void setLevels(QList<float> value);
    const std::optional<QString>& dictationError() const { return dictationError_; }
    void setDictationError(std::optional<QString> value);

    const QString& draft() const { return draft_; }
    void setDraft(QString value);
    const Phase& phase() const { return phase_; }
    void setPhase(Phase value);

    // The draft holds more than whitespace and line breaks.
    bool hasDraft() const;
    // The turns shown as conversation: decided, not drafts, not hidden; in order.
    QList<ConversationTurn> chatTurns() const;
    // The turn the running or last request answers, while it is among the turns.
    std::optional<ConversationTurn> activeTurn() const;
    // Shifts the level display by one: the oldest level goes, `level` joins at the end.
    void pushLevel(float level);

signals:
    void contextChanged();
    void providerChanged();
    void isCapturingChanged();
    void isReadingQuoteChanged();
    void quotePlaceholderHiddenChanged();
    void quoteChanged();
    void threadChanged();
    void pageTextChanged();
    void screenHintDismissedChanged();
    void instructionChanged();
    void sentInstructionChanged();
    void appliedInstructionsChanged();
    void modeChanged();
    void projectChanged();
    void projectChosenManuallyChanged();
    void actionProposalChanged();
    void definitionProposalChanged();
    void activityChanged();
    void waitStageChanged();
    void requestStartedChanged();
    void modelLabelChanged();
    void turnsChanged();
    void activeTurnIDChanged();
    void isListeningChanged();
    void isListeningHeldChanged();
    void liveConfirmedChanged();
    void liveTentativeChanged();
    void levelsChanged();
    void dictationErrorChanged();
    void draftChanged();
    void phaseChanged();

private:
    const std::optional<Platform::RunningApplication> targetApp_;
    std::optional<ContextSnapshot> context_;
    ProviderID provider_;
    bool isCapturing_ = false;
    bool isReadingQuote_ = false;
    bool quotePlaceholderHidden_ = false;
    std::optional<QuotedMessage> quote_;
    QList<ThreadMessage> thread_;
    std::optional<QString> pageText_;
    bool screenHintDismissed_ = false;
    QString instruction_;
    QString sentInstruction_;
    QStringList appliedInstructions_;
    Mode mode_ = Mode::automatic;
    std::optional<Project> project_;
    bool projectChosenManually_ = false;
    std::optional<ActionProposal> actionProposal_;
    std::optional<ActionDefinitionProposal> definitionProposal_;
    std::optional<QString> activity_;
    WaitStage waitStage_ = WaitStage::connecting;
    std::optional<QDateTime> requestStarted_;
    QString modelLabel_;
    QList<ConversationTurn> turns_;
    std::optional<QUuid> activeTurnID_;
    bool isListening_ = false;
    bool isListeningHeld_ = false;
    QString liveConfirmed_;
    QString liveTentative_;
    QList<float> levels_ = QList<float>(kLevelCount, 0.0f);
    std::optional<QString> dictationError_;
    QString draft_;
    Phase phase_ = Phase::ready();
};

QString rawValue(AssistantSession::Mode mode);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<AssistantSession::Mode> modeFromRaw(const QString& raw);
// Every mode, in order.
QList<AssistantSession::Mode> allModes();
// The mode's German name in the panel's mode control.
QString title(AssistantSession::Mode mode);
