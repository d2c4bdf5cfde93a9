#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "AI/AIFailure.h"
#include "AI/AIProvider.h"
#include "AI/ConversationTurn.h"
#include "AI/QuotedMessage.h"
#include "AI/ReplyKind.h"
#include "App/ContextSource.h"
#include "App/CoreTask.h"
#include "App/MenuBarOperations.h"
#include "App/PanelHost.h"
#include "Context/ContextSnapshot.h"
#include "Output/TextInserter.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"
#include "Projects/Project.h"
#include "Settings/AssistantSettings.h"
#include "Settings/ProviderID.h"
#include "SettingsWindow/Tabs/SettingsTab.h"

class MemoryStore;
class ProviderLoginOpener;
class PermissionsManager;
class ProviderStatusStore;
class QuickDictationController;
class SettingsStore;
class DictationService;
class TextInserter;
class UndoToast;
class ActionRun;

namespace GlobalShortcuts {
class NamedShortcuts;
struct Name;
}  // namespace GlobalShortcuts

namespace Platform {
class ModifierState;
class Clock;
class Timer;
class SystemLog;
}  // namespace Platform

// The one coordinator of the run: it turns presses of the global shortcut into panel
// invocations and dictations, opens the panel with a snapshot of what the user works in,
// sends the user's instructions to the AI tool and turns the streamed reply into the
// session's conversation, draft and proposals.
//
// Everything runs on the main thread. Work that waits (a snapshot, a window picture, an AI
// reply, a timer) is a CoreTask held in a field; its continuations first ask whether the task
// is still current (not cancelled, its session still the open one) and write nothing when it
// is not.
//
// The member functions live one flow per file in App/Coordinator/: Startup (shortcuts, life,
// first view), MenuAndSettings (tray menu, settings, onboarding, sign-in), Press (the main
// shortcut, Escape, push-to-talk), QuickDictation and DictationRouting (dictation outside the
// panel), Invocation (opening, side tasks, dismissal), Request (the panel's requests and
// send), PanelDictation, Insertion, Actions, Reply and ReplyOutcome (the streamed reply and
// its end), MemoryAndStyle. Shared holds what several of them use.
class AppCoordinator : public PanelActions, public MenuBarOperations {
    Q_OBJECT

public:
    // The AI tool for a provider, at the path the settings give for it.
    using MakeProvider =
        std::function<std::unique_ptr<AIProvider>(ProviderID, const AssistantSettings&)>;

    struct Services {
        Platform::Clock& clock;
        Platform::SystemLog& log;
        SettingsStore& settings;
        PermissionsManager& permissions;
        ProviderStatusStore& providers;
        MemoryStore& memory;
        ContextSource& context;
        PanelHost& panel;
        QuickDictationController& quickDictation;
        GlobalShortcuts::NamedShortcuts& shortcuts;
        MakeProvider makeProvider;
        // The X server time of the latest hot-key event; the panel takes the keyboard on
        // behalf of that press. Unset: unknown.
        std::function<quint32()> pressTime;
        // Computes the login shell's search path ahead of the first request; must not block.
        std::function<void()> warmSearchPath;
        // The first-run introduction; unset while there is none.
        std::function<void()> showOnboarding;
        // The settings window on the tab it shows, or on its permissions tab.
        std::function<void()> showSettings;
        std::function<void()> showPermissionSettings;
        // Application icons for the panel's header and the opener of reply links; null: the
        // globe stands in and links do nothing.
        Platform::ApplicationIcons* applicationIcons = nullptr;
        Platform::UrlOpener* urlOpener = nullptr;
        // What the document card shows files in and copies to; null: those buttons do
        // nothing.
        Platform::FileRevealer* fileRevealer = nullptr;
        Platform::Clipboard* clipboard = nullptr;
        // Pastes drafts into the target and offers to undo; null: nothing is pasted.
        TextInserter* inserter = nullptr;
        UndoToast* undoToast = nullptr;
        // A fresh engine for one dictation in the panel; null or none: no panel dictation.
        std::function<std::unique_ptr<DictationService>(const AssistantSettings&)> makeDictation;
        // The held modifiers, waited out before dictated text is pasted; null: none are held.
        Platform::ModifierState* modifiers = nullptr;
        // Signs in to a tool in a terminal; null: nothing happens.
        ProviderLoginOpener* loginOpener = nullptr;
        // Ends the program (the tray menu's quit); unset: the event loop is left.
        std::function<void()> quit;
        // Turns the settings window to a tab, before it is shown.
        std::function<void(SettingsTab)> selectSettingsTab;
    };

    // The last request sent, for a retry or a repeat with the other tool.
    struct Request {
        QString input;
        std::optional<ReplyKind> forced;
        bool hidden = false;
        bool operator==(const Request&) const = default;
    };

    // How long a press must last before the microphone is readied and before it counts as a
    // hold; how long a request waits for the quoted message.
    static constexpr std::chrono::milliseconds kPrepareAfter{170};
    static constexpr std::chrono::milliseconds kHoldAfter{320};
    static constexpr std::chrono::milliseconds kQuoteWait{400};
    static constexpr std::chrono::milliseconds kQuotePlaceholder{4000};
    static constexpr std::chrono::milliseconds kPageBudget{6000};
    static constexpr int kPageMaxChars = 60000;
    static constexpr int kDocumentDays = 14;
    // How long after the release a quick dictation waits for the AI, all its calls together,
    // before it pastes the words as recognised.
    static constexpr std::chrono::milliseconds kDictationAILimit{30000};

    // The two global shortcuts of the application.
    static const GlobalShortcuts::Name& invokeAssistant();
    static const GlobalShortcuts::Name& dictateOnly();

    explicit AppCoordinator(Services services, QObject* parent = nullptr);
    ~AppCoordinator() override;

    // Wires the shortcuts, Escape and push-to-talk, tidies old documents and decides what the
    // user sees first. Once, from the event loop.
    void start();
    // The user started Tavrin again while it runs. One that comes before start() is answered
    // at its end, after what the start itself shows.
    void reopen();

    // The session of the open panel; null when there is none.
    AssistantSession* session() const override { return session_.get(); }
    const std::optional<Request>& lastRequest() const { return lastRequest_; }
    SettingsStore& settings() const override { return s_.settings; }
    PermissionsManager& permissions() override { return s_.permissions; }
    ProviderStatusStore& providers() const override { return s_.providers; }
    MemoryStore& memory() const { return s_.memory; }
    bool demoForceScreenHint() const override { return demoForceScreenHint_; }
    Platform::Clock& clock() override { return s_.clock; }
    Platform::ApplicationIcons* applicationIcons() override { return s_.applicationIcons; }
    Platform::UrlOpener* urlOpener() override { return s_.urlOpener; }
    Platform::FileRevealer* fileRevealer() override { return s_.fileRevealer; }
    Platform::Clipboard* clipboard() override { return s_.clipboard; }
    void setDemoForceScreenHint(bool value);

    // Press and release of the main shortcut.
    void hotkeyDown();
    void hotkeyUp();
    void dictateOnlyDown();
    void dictateOnlyUp();
    // A tap: close, raise or open the panel.
    void toggle();
    void escape() override;
    // Opens the panel for the application in front, unless an opening is under way.
    void invoke() override;
    // Cancels the session's work, records what was viewed and hides the panel.
    void dismiss() override;

    // Submits `input` as a new request of the open session.
    void send(const QString& input, std::optional<ReplyKind> forced, bool hidden) override;
    void primaryAction() override;
    void writeNow() override;
    void regenerate() override;
    void retryLastRequest() override;
    void stopGenerating() override;
    void startListening() override;
    void finishListening(bool generateAfterwards) override;
    void cancelListening();
    void copyDraft() override;
    void insert() override;
    void dismissScreenHint() override;
    void chooseProject(std::optional<Project> project) override;
    void manageProjects() override;
    void switchProvider(ProviderID provider, bool rewrite) override;
    void openLogin(ProviderID provider) override;
    void runAction() override;
    void saveDefinition() override;
    // Closes the panel, checks the tools again and shows the settings, on `tab` when given,
    // else on the tab last seen.
    void openSettings(std::optional<SettingsTab> tab);
    void openSettings() override { openSettings(std::nullopt); }
    void openAISettings() override { openSettings(SettingsTab::ai); }
    void finishOnboarding();

    // The tray menu.
    MenuBarState menuState() const override;
    void refreshStatus() override;
    void showOnboarding() override;
    void selectProvider(ProviderID provider) override;
    void requestAccessibility() override;
    void requestScreenRecording() override;
    void requestMicrophone() override;
    void quit() override;

    // Has the AI describe the user's writing style anew from the collected signals. `done`
    // runs when the run is over, with why nothing was learned (none when the description was
    // renewed): at once when there is nothing to learn from; with the run under way when one
    // is, which answers for both.
    using StyleLearned = std::function<void(const std::optional<QString>& notLearned)>;
    void learnStyleNow(StyleLearned done = {});
    bool isLearningStyle() const { return isLearningStyle_; }

    // The model's name while the panel waits for the first word.
    static QString modelLabel(ProviderID provider, const AssistantSettings& config);
    // The status line while the AI uses the tool `tool`.
    static QString activityText(const QString& tool);

signals:
    void lastRequestChanged();
    void sessionChanged();

protected:
    // Escape and the push-to-talk key while the panel is shown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class HoldMode { none, quickDictation, panelListening };
    struct Generation;

    // Insertion: what the toast says of a paste that went in.
    void tellPasted(const TextInserter::Insertion& insertion, const std::optional<QRectF>& anchor,
                    const std::optional<Platform::RunningApplication>& target,
                    const AssistantSettings& settings);

    // Invocation.
    void invokeNow(std::function<void()> done);
    void open(std::optional<Platform::RunningApplication> target,
              std::optional<ContextSnapshot> context, std::chrono::nanoseconds start);
    void startSideTasks(AssistantSession& session);
    CoreTaskPtr startCapture(AssistantSession& session, const ContextSnapshot& context);
    // The field's words that were still to come when the panel opened; none when nothing
    // was. Finishes after the picture, so that waiting for it waits for both.
    CoreTaskPtr startFieldText(AssistantSession& session);
    // A question to the AI about the window picture, asked once it is taken.
    struct PictureQuestion {
        std::function<std::optional<AIRequest>(const ContextSnapshot&, ProviderID)> request;
        // The answer is not needed (any more) for this session.
        std::function<bool(const AssistantSession&)> needless;
        // Writes the answer (none when the AI failed) into the session.
        std::function<void(AssistantSession&, const std::optional<QString>&)> store;
    };
    CoreTaskPtr askAboutPicture(AssistantSession& session, const AssistantSettings& settings,
                                const PictureQuestion& question);
    CoreTaskPtr startQuote(AssistantSession& session, const AssistantSettings& settings);
    CoreTaskPtr startThread(AssistantSession& session, const AssistantSettings& settings);
    std::optional<Project> matchProject(const std::optional<ContextSnapshot>& context,
                                        const std::optional<QuotedMessage>& quote) const;
    // Dismissal's cancelling steps: the session's tasks and its dictation stop.
    void cancelSessionWork();
    void replaceSession(std::unique_ptr<AssistantSession> session);
    void recordViewed(const AssistantSession& session);
    // The task still counts: not cancelled, and `session` is still the open one.
    bool isCurrent(const std::weak_ptr<CoreTask>& task,
                   const QPointer<AssistantSession>& session) const;
    // The task is neither cancelled nor gone; for work that outlives its panel (a paste, an
    // action's run).
    static bool isAlive(const std::weak_ptr<CoreTask>& task);
    void forget(std::vector<CoreTaskPtr>& tasks, const std::weak_ptr<CoreTask>& task);

    // Panel dictation; `held`: a key is held for it, and its release takes the words.
    void listen(bool held);
    // Why dictation cannot begin: no microphone, or no speech model; none when it can.
    std::optional<QString> missingForDictation() const;

    // Press machine.
    void holdPrepared(const std::weak_ptr<CoreTask>& task, bool panelWasKey,
                      const AssistantSettings& settings);
    void holdReached(const std::weak_ptr<CoreTask>& task, bool panelWasKey);
    void showDictationDisplay(const std::optional<ContextSnapshot>& snapshot);
    void finishQuickDictation();

    // Quick dictation routing: what the spoken text becomes once the key is up.
    struct Routing;
    using RoutingPtr = std::shared_ptr<Routing>;
    // Finishes the dictation; the words heard, trimmed, go to `route` unless there are none.
    // `snapshot` gives the press's snapshot, `keepSnapshot` replaces it.
    void beginRouting(std::function<std::optional<ContextSnapshot>()> snapshot,
                      std::function<void(ContextSnapshot)> keepSnapshot,
                      std::function<void(const RoutingPtr&)> route);
    // GTK 3 hides its focus while the shortcut's key holds the keyboard, so the press's read
    // can find no focused window: the field is read once more now that the key is up, and
    // the routing waits for it. Once per routing; nothing when the press's read found one.
    void rereadField(const RoutingPtr& r);
    void routeDictation(const RoutingPtr& r, const QString& text);
    void applySpokenInstruction(const RoutingPtr& r);
    void formatOrInsert(const RoutingPtr& r);
    // Opens the panel with `text` in its input, unsent: dictated words that could not go in.
    void keepInPanel(const QString& text);
    // Opens the panel and sends `text` as its request.
    void openPanelWith(const QString& text, std::optional<ReplyKind> forced);
    // Gives the panel just opened the spoken text that waited for it.
    void handOverSpokenText();
    // Asks the AI once for a routing step; `done` gets the answer (none when the call
    // failed) or, once kDictationAILimit has passed since the release, `timedOut` with the
    // call dropped.
    void askForDictation(const RoutingPtr& r, const QString& system, const QString& user,
                         std::function<void(std::optional<QString> answer, bool timedOut)> done);
    // Pastes dictated text into `target`: activity, style signal, the modifiers let go, the
    // paste, the display's last status and the undo toast.
    void insertDictated(const RoutingPtr& r, const QString& text);
    // The AI did not help in time: the words go in as recognised, and the display says so.
    void insertAsRecognised(const RoutingPtr& r);
    void waitForModifiers(const RoutingPtr& r, int passesLeft, std::function<void()> then);
    void endRouting(const RoutingPtr& r);
    std::optional<Platform::RunningApplication> dictationTarget();
    bool handlePushToTalk(QEvent* event);

    // Reply generation.
    CoreTaskPtr startGeneration(std::shared_ptr<Generation> generation, const CoreTaskPtr& capture,
                                const CoreTaskPtr& quote);
    void afterQuoteWait(const std::shared_ptr<Generation>& g);
    void streamReply(const std::shared_ptr<Generation>& g);
    void applyChunk(Generation& g, const QString& chunk);
    void applyText(Generation& g, const QString& text);
    void endOfStream(const std::shared_ptr<Generation>& g);
    void translateDraft(const std::shared_ptr<Generation>& g, std::function<void()> then);
    void finishReply(Generation& g);
    void streamFailed(Generation& g, const AIFailure& failure);
    bool isCurrent(const Generation& g) const;
    std::optional<QString> applyStructured(ReplyKind kind, const QString& json,
                                           AssistantSession& session);

    // Memory notes and style.
    void rememberLocally(const QString& note, const QString& input, AssistantSession& session);
    void addStyleSignal(const QString& text);

    Services s_;
    bool started_ = false;
    bool reopenAfterStart_ = false;
    bool demoForceScreenHint_ = false;

    std::unique_ptr<AssistantSession> session_;
    // The session closed last: its view may still be fading out.
    std::unique_ptr<AssistantSession> retired_;
    CoreTaskPtr captureTask_;
    CoreTaskPtr fieldTextTask_;
    CoreTaskPtr quoteTask_;
    CoreTaskPtr threadTask_;
    CoreTaskPtr generationTask_;
    std::unique_ptr<Platform::Timer> placeholderTimer_;
    // The panel's dictation engine until its text is taken over; the listening task holds it
    // through the hand-over, so that cancelling the task drops the engine and its answer.
    std::shared_ptr<DictationService> dictation_;
    CoreTaskPtr listenTask_;
    // Pastes and action runs: they go on after the panel closes, but not past the coordinator.
    std::vector<CoreTaskPtr> pastes_;
    std::vector<CoreTaskPtr> actionRuns_;
    // Quick dictations still being routed after their key came up.
    std::vector<CoreTaskPtr> routings_;

    bool dictateOnlyIsDown_ = false;
    bool dictateOnlyActive_ = false;
    // Counts presses of the dictate-only shortcut; its snapshot belongs to one press and
    // anchors that press's display and undo toast.
    quint64 dictateSerial_ = 0;
    std::optional<ContextSnapshot> dictateSnapshot_;
    std::unique_ptr<ContextRead> dictateSnapshotRead_;
    std::vector<CoreTaskPtr> invocations_;
    bool isInvoking_ = false;
    // Spoken text for the panel that is opening: the request it sends and the words its
    // input keeps.
    std::optional<Request> spokenRequest_;
    QStringList spokenInput_;

    bool hotkeyIsDown_ = false;
    HoldMode holdMode_ = HoldMode::none;
    bool micPrepared_ = false;
    // Whether the panel had the keyboard when the press began. While the key is down its grab
    // holds the keyboard, so the panel does not count as key, yet Escape is still the panel's.
    bool pressPanelWasKey_ = false;
    CoreTaskPtr holdTask_;
    // Counts presses of the main shortcut; a snapshot taken for a hold belongs to one press.
    quint64 pressSerial_ = 0;
    quint32 pressTime_ = 0;
    std::optional<ContextSource::Prefetch> fieldPrefetch_;
    std::optional<ContextSnapshot> holdSnapshot_;
    std::unique_ptr<ContextRead> holdSnapshotRead_;
    bool pushToTalkActive_ = false;

    std::optional<Request> lastRequest_;
    bool isLearningStyle_ = false;
    CoreTaskPtr learnTask_;
    std::vector<StyleLearned> learningWaiters_;
};
