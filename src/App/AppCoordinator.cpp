#include "App/AppCoordinator.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QLoggingCategory>
#include <QTextBoundaryFinder>
#include <utility>

#include "AI/Chunk.h"
#include "AI/ErrorClassifier.h"
#include "AI/PromptBuilder.h"
#include "AI/ProviderLoginOpener.h"
#include "AI/ProviderStatusStore.h"
#include "AI/QuoteExtractor.h"
#include "Actions/ActionRunner.h"
#include "Actions/AssistantAction.h"
#include "App/DictationPrompts.h"
#include "App/MessageApps.h"
#include "App/StructuredReply.h"
#include "App/ViewedRecord.h"
#include "Context/PageReader.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Memory/MemoryCommand.h"
#include "Memory/MemoryStore.h"
#include "Memory/StyleLearner.h"
#include "Output/DocumentStore.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "Platform/KeySender.h"
#include "Platform/ModifierState.h"
#include "Platform/SystemLog.h"
#include "Platform/UrlOpener.h"
#include "Projects/ProjectTools.h"
#include "Settings/SettingsStore.h"
#include "Voice/DictationCommands.h"
#include "Voice/DictationService.h"
#include "Voice/QuickDictationController.h"

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

long long millisBetween(nanoseconds from, nanoseconds to) {
    return static_cast<long long>(duration_cast<milliseconds>(to - from).count());
}

QString trimmed(const QString& text) {
    return text.trimmed();
}

// The first `count` characters as the user sees them.
QString firstCharacters(const QString& text, qsizetype count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    while (seen < count) {
        if (finder.toNextBoundary() < 0)
            return text;
        ++seen;
    }
    return text.left(finder.position());
}

qsizetype characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

// X11 keysyms of the push-to-talk keys: right Alt (AltGr on layouts that have it) and
// right Super. The fn key never reaches X.
constexpr quint32 kAltR = 0xffea;
constexpr quint32 kIsoLevel3Shift = 0xfe03;
constexpr quint32 kSuperR = 0xffec;

bool isPushToTalkKey(PushToTalkKey key, quint32 keysym) {
    switch (key) {
        case PushToTalkKey::rightOption:
            return keysym == kAltR || keysym == kIsoLevel3Shift;
        case PushToTalkKey::rightCommand:
            return keysym == kSuperR;
        case PushToTalkKey::fn:
        case PushToTalkKey::none:
            return false;
    }
    return false;
}

// Where the undo toast goes: the field, else a thin bar at the pointer; none otherwise.
std::optional<QRectF> insertionAnchor(const std::optional<ContextSnapshot>& context) {
    if (context && context->fieldFrame)
        return context->fieldFrame;
    if (context && context->pointer)
        return QRectF(context->pointer->x() - 1, context->pointer->y() - 12, 2, 24);
    return std::nullopt;
}

void putOnClipboard(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(text);
    }
}

std::optional<qsizetype> indexOfTurn(const QList<ConversationTurn>& turns, const QUuid& id) {
    for (qsizetype i = 0; i < turns.size(); ++i) {
        if (turns[i].id == id)
            return i;
    }
    return std::nullopt;
}

}  // namespace

// One request's reply as it arrives: what send handed over and what the stream has shown.
struct AppCoordinator::Generation {
    std::weak_ptr<CoreTask> task;
    QPointer<AssistantSession> session;
    QString input;
    AssistantSettings settings;
    QList<ConversationTurn> history;
    std::optional<QString> currentDraft;
    std::optional<ReplyKind> forced;
    ProviderID provider = ProviderID::claudeCLI;
    QUuid turnID;
    nanoseconds start{0};
    bool hidden = false;

    QString pending;
    std::optional<ReplyKind> kind;
    bool firstText = true;
    nanoseconds screenInstant{0};

    ReplyKind fallback() const { return forced.value_or(ReplyKind::draft); }
};

const GlobalShortcuts::Name& AppCoordinator::invokeAssistant() {
    static const GlobalShortcuts::Name name(
        QStringLiteral("invokeAssistant"),
        GlobalShortcuts::Shortcut(GlobalShortcuts::Key::space,
                                  GlobalShortcuts::Modifiers(GlobalShortcuts::Modifier::Option)));
    return name;
}

const GlobalShortcuts::Name& AppCoordinator::dictateOnly() {
    static const GlobalShortcuts::Name name(QStringLiteral("dictateOnly"));
    return name;
}

AppCoordinator::AppCoordinator(Services services, QObject* parent)
    : PanelActions(parent), s_(std::move(services)) {
    s_.permissions.refresh();
}

AppCoordinator::~AppCoordinator() {
    if (started_ && qApp)
        qApp->removeEventFilter(this);
    cancelSessionWork();
    cancelTask(holdTask_);
    for (CoreTaskPtr& task : pastes_)
        task->cancel();
    for (CoreTaskPtr& task : actionRuns_)
        task->cancel();
    for (CoreTaskPtr& task : routings_)
        task->cancel();
}

void AppCoordinator::setDemoForceScreenHint(bool value) {
    if (demoForceScreenHint_ == value)
        return;
    demoForceScreenHint_ = value;
    emit demoForceScreenHintChanged();
}

// ---------------------------------------------------------------------------------------
// Start-up

void AppCoordinator::start() {
    if (started_)
        return;
    started_ = true;

    s_.shortcuts.create(invokeAssistant());
    s_.shortcuts.create(dictateOnly());
    s_.shortcuts.onKeyDown(invokeAssistant(), [self = QPointer(this)] {
        if (self)
            self->hotkeyDown();
    });
    s_.shortcuts.onKeyUp(invokeAssistant(), [self = QPointer(this)] {
        if (self)
            self->hotkeyUp();
    });
    s_.shortcuts.onKeyDown(dictateOnly(), [self = QPointer(this)] {
        if (self)
            self->dictateOnlyDown();
    });
    s_.shortcuts.onKeyUp(dictateOnly(), [self = QPointer(this)] {
        if (self)
            self->dictateOnlyUp();
    });
    s_.panel.setOnEscape([self = QPointer(this)] {
        if (self)
            self->escape();
    });
    if (qApp)
        qApp->installEventFilter(this);

    // Every accessibility call of the field reader already gives up after 250 ms.
    DocumentStore::cleanUp(kDocumentDays, s_.clock);
    if (s_.warmSearchPath)
        s_.warmSearchPath();
    s_.providers.refresh(s_.settings.settings());

    const AssistantSettings& settings = s_.settings.settings();
    if (!settings.onboardingCompleted) {
        // The onboarding is also all that a reopen kept until now would show.
        reopenAfterStart_ = false;
        if (s_.showOnboarding)
            s_.showOnboarding();
        return;
    }
    if (!s_.permissions.accessibility() || !s_.permissions.screenRecording()) {
        dismiss();
        s_.providers.refresh(s_.settings.settings());
        if (s_.showPermissionSettings)
            s_.showPermissionSettings();
    }
    if (std::exchange(reopenAfterStart_, false))
        reopen();
}

void AppCoordinator::reopen() {
    // A second start can come in while this one is still starting up.
    if (!started_) {
        reopenAfterStart_ = true;
        return;
    }
    const bool completed = s_.settings.settings().onboardingCompleted;
    dismiss();
    if (!completed) {
        if (s_.showOnboarding)
            s_.showOnboarding();
        return;
    }
    s_.providers.refresh(s_.settings.settings());
    if (s_.showSettings)
        s_.showSettings();
}

void AppCoordinator::manageProjects() {
    dismiss();
    if (s_.showProjectSettings)
        s_.showProjectSettings();
}

void AppCoordinator::openSettings(std::optional<SettingsTab> tab) {
    if (tab && s_.selectSettingsTab)
        s_.selectSettingsTab(*tab);
    dismiss();
    s_.providers.refresh(s_.settings.settings());
    if (s_.showSettings)
        s_.showSettings();
}

MenuBarState AppCoordinator::menuState() const {
    const AssistantSettings& settings = s_.settings.settings();
    MenuBarState state;
    state.onboardingCompleted = settings.onboardingCompleted;
    if (const auto shortcut = s_.shortcuts.getShortcut(invokeAssistant())) {
        const QString text = s_.shortcuts.describe(*shortcut);
        if (!text.isEmpty())
            state.mainShortcut = text;
    }
    state.provider = settings.provider;
    for (const ProviderID id : {ProviderID::claudeCLI, ProviderID::codexCLI})
        state.providerStatus[id] = s_.providers.state(id).shortText();
    state.accessibility = s_.permissions.accessibility();
    state.screenRecording = s_.permissions.screenRecording();
    state.microphone = s_.permissions.microphone() && s_.permissions.speech();
    return state;
}

void AppCoordinator::refreshStatus() {
    s_.permissions.refresh();
    s_.providers.refresh(s_.settings.settings());
}

void AppCoordinator::showOnboarding() {
    dismiss();
    if (s_.showOnboarding)
        s_.showOnboarding();
}

void AppCoordinator::selectProvider(ProviderID provider) {
    // Choosing the tool already chosen writes nothing.
    if (s_.settings.settings().provider == provider)
        return;
    s_.settings.update([provider](AssistantSettings& s) { s.provider = provider; });
}

void AppCoordinator::requestAccessibility() {
    if (!s_.permissions.accessibility())
        s_.permissions.requestAccessibility();
}

void AppCoordinator::requestScreenRecording() {
    if (!s_.permissions.screenRecording())
        s_.permissions.requestScreenRecording();
}

void AppCoordinator::requestMicrophone() {
    if (!s_.permissions.microphone() || !s_.permissions.speech())
        s_.permissions.requestMicrophone();
}

void AppCoordinator::quit() {
    if (s_.quit)
        s_.quit();
    else
        QCoreApplication::quit();
}

void AppCoordinator::finishOnboarding() {
    // One field of the settings as they are now: a copy taken earlier would undo whatever
    // the user changed meanwhile.
    s_.settings.update([](AssistantSettings& s) { s.onboardingCompleted = true; });
}

// ---------------------------------------------------------------------------------------
// Press, hold and release

void AppCoordinator::hotkeyDown() {
    if (hotkeyIsDown_)
        return;
    hotkeyIsDown_ = true;
    holdMode_ = HoldMode::none;
    micPrepared_ = false;
    holdSnapshot_.reset();
    holdSnapshotRead_.reset();
    ++pressSerial_;
    pressTime_ = s_.pressTime ? s_.pressTime() : 0;
    fieldPrefetch_ = s_.panel.isShown() ? std::nullopt : s_.context.prefetchField();

    const AssistantSettings settings = s_.settings.settings();
    if (!settings.dictationEnabled || !settings.holdToDictate)
        return;
    if (!s_.permissions.microphone())
        return;
    const bool panelWasKey = s_.panel.isKey();

    auto task = std::make_shared<CoreTask>();
    holdTask_ = task;
    std::weak_ptr<CoreTask> weak = task;
    task->hold(s_.clock.singleShot(kPrepareAfter, [this, weak, panelWasKey, settings] {
        holdPrepared(weak, panelWasKey, settings);
    }));
}

void AppCoordinator::holdPrepared(const std::weak_ptr<CoreTask>& weak, bool panelWasKey,
                                  const AssistantSettings& settings) {
    const CoreTaskPtr task = weak.lock();
    // After the wait: the key may be up and the task cancelled.
    if (!task || task->isCancelled() || !hotkeyIsDown_)
        return;
    if (!panelWasKey)
        micPrepared_ = s_.quickDictation.prepare(settings, false);
    task->hold(s_.clock.singleShot(kHoldAfter - kPrepareAfter,
                                   [this, weak, panelWasKey] { holdReached(weak, panelWasKey); }));
}

void AppCoordinator::holdReached(const std::weak_ptr<CoreTask>& weak, bool panelWasKey) {
    const CoreTaskPtr task = weak.lock();
    // After the wait: the key may be up and the task cancelled.
    if (!task || task->isCancelled() || !hotkeyIsDown_)
        return;
    task->finish();
    if (panelWasKey) {
        holdMode_ = HoldMode::panelListening;
        startListening();
        return;
    }
    if (!micPrepared_)
        return;
    holdMode_ = HoldMode::quickDictation;
    // The snapshot belongs to this press. It is kept even when the key comes up before it
    // arrives (the dictation's text still needs its field), but a newer press makes it void,
    // and the display only appears while this press still holds the key.
    const quint64 serial = pressSerial_;
    holdSnapshotRead_ = s_.context.quickSnapshot(
        fieldPrefetch_, false, [this, serial](std::optional<ContextSnapshot> snapshot) {
            // After the wait: is this still the press that asked?
            if (serial != pressSerial_)
                return;
            holdSnapshot_ = std::move(snapshot);
            if (hotkeyIsDown_ && holdMode_ == HoldMode::quickDictation)
                showDictationDisplay(holdSnapshot_);
        });
}

void AppCoordinator::showDictationDisplay(const std::optional<ContextSnapshot>& snapshot) {
    std::optional<QRectF> anchor;
    if (snapshot && snapshot->fieldFrame)
        anchor = snapshot->fieldFrame;
    else if (snapshot && snapshot->pointer)
        anchor = QRectF(snapshot->pointer->x() - 1, snapshot->pointer->y() - 12, 2, 24);
    else
        anchor = QRectF(s_.context.mouseLocation(), QSizeF(0, 0));
    s_.quickDictation.hud().show(anchor);
}

void AppCoordinator::hotkeyUp() {
    if (!hotkeyIsDown_)
        return;
    hotkeyIsDown_ = false;
    cancelTask(holdTask_);
    switch (holdMode_) {
        case HoldMode::none:
            if (micPrepared_)
                s_.quickDictation.cancel();
            toggle();
            break;
        case HoldMode::quickDictation:
            finishQuickDictation();
            break;
        case HoldMode::panelListening:
            finishListening(true);
            break;
    }
    holdMode_ = HoldMode::none;
    micPrepared_ = false;
}

// One quick dictation after its key came up, with what it captured at the release.
struct AppCoordinator::Routing {
    std::weak_ptr<CoreTask> task;
    // Later changes of the settings do not reach a routing under way.
    AssistantSettings settings;
    std::optional<Platform::RunningApplication> target;
    // As recognised, trimmed.
    QString text;
    // The snapshot of the press, read when it is needed: it may arrive after the release.
    std::function<std::optional<ContextSnapshot>()> snapshot;
    // Replaces the press's snapshot with a later read, unless a newer press made it void.
    std::function<void(ContextSnapshot)> keepSnapshot;
    // The field read once more after the release; the routing waits for it. Held by the
    // routing's task.
    std::weak_ptr<CoreTask> reread;
    bool rereadStarted = false;
};

namespace {

using Status = QuickDictationModel::Status;
constexpr milliseconds kFailureShown{2500};
constexpr milliseconds kEmptyShown{1200};
constexpr milliseconds kToPanelShown{900};
constexpr milliseconds kRememberedShown{1600};
constexpr milliseconds kInsertedShown{700};
constexpr milliseconds kToastAfter{750};
constexpr milliseconds kModifierPass{50};
constexpr int kModifierPasses = 20;
constexpr qsizetype kStyleSignalMinimum = 25;
// Shift, Control, Alt and Super as the modifier state reports them.
constexpr quint64 kHeldModifiers = Platform::EventFlag::HeldModifiers;

bool isFailure(const Status& status) {
    return status.kind == Status::Kind::failed;
}

}  // namespace

std::optional<Platform::RunningApplication> AppCoordinator::dictationTarget() {
    std::optional<Platform::RunningApplication> front = s_.context.frontApplication();
    // Tavrin itself is no place to paste into.
    if (front && front->processIdentifier == QCoreApplication::applicationPid())
        return std::nullopt;
    return front;
}

void AppCoordinator::beginRouting(std::function<std::optional<ContextSnapshot>()> snapshot,
                                  std::function<void(ContextSnapshot)> keepSnapshot,
                                  std::function<void(const RoutingPtr&)> route) {
    auto task = std::make_shared<CoreTask>();
    routings_.push_back(task);
    auto r = std::make_shared<Routing>();
    r->task = task;
    r->settings = s_.settings.settings();
    r->target = dictationTarget();
    r->snapshot = std::move(snapshot);
    r->keepSnapshot = std::move(keepSnapshot);
    // Alongside the engine's last words, which take a moment too.
    rereadField(r);
    s_.quickDictation.finish([this, r, route = std::move(route)](const QString& raw) {
        // After the wait for the final text.
        if (!isAlive(r->task))
            return;
        r->text = trimmed(raw);
        if (r->text.isEmpty()) {
            // Nothing heard: an engine failure stays readable a moment, else "nothing".
            const Status status = s_.quickDictation.model().status();
            s_.quickDictation.finish(isFailure(status) ? status : Status::of(Status::Kind::empty),
                                     isFailure(status) ? kFailureShown : kEmptyShown);
            endRouting(r);
            return;
        }
        // The press's snapshot may have come in since the release.
        rereadField(r);
        const CoreTaskPtr reread = r->reread.lock();
        if (!reread || reread->isFinished()) {
            route(r);
            return;
        }
        reread->whenFinished([this, r, route] {
            // After the wait for the field read again.
            if (isAlive(r->task))
                route(r);
        });
    });
}

void AppCoordinator::rereadField(const RoutingPtr& r) {
    const std::optional<ContextSnapshot> snapshot = r->snapshot();
    // A read that ran out of time names no such window: a hung application costs the time
    // limit only once.
    if (r->rereadStarted || !snapshot || !snapshot->noFocusedWindow)
        return;
    r->rereadStarted = true;
    auto read = std::make_shared<CoreTask>();
    r->task.lock()->hold(std::make_unique<CoreTaskPtr>(read));
    r->reread = read;
    std::weak_ptr<CoreTask> weak = read;
    read->hold(s_.context.quickSnapshot(
        std::nullopt, false,
        [this, r, weak, pointer = snapshot->pointer](std::optional<ContextSnapshot> fresh) {
            // After the wait for the read: the routing may be over; a newer press makes the
            // answer void, which keepSnapshot sees to.
            const CoreTaskPtr read = weak.lock();
            if (!read || read->isCancelled() || !isAlive(r->task))
                return;
            if (fresh) {
                // What has no field still goes by the pointer of the press.
                fresh->pointer = pointer;
                r->keepSnapshot(std::move(*fresh));
            }
            read->finish();
        }));
}

void AppCoordinator::finishQuickDictation() {
    const quint64 serial = pressSerial_;
    beginRouting(
        [this, serial]() -> std::optional<ContextSnapshot> {
            return serial == pressSerial_ ? holdSnapshot_ : std::nullopt;
        },
        [this, serial](ContextSnapshot snapshot) {
            if (serial == pressSerial_)
                holdSnapshot_ = std::move(snapshot);
        },
        [this](const RoutingPtr& r) { routeDictation(r, r->text); });
}

void AppCoordinator::routeDictation(const RoutingPtr& r, const QString& text) {
    const std::optional<ContextSnapshot> snapshot = r->snapshot();
    if (snapshot && !snapshot->fieldEditable && DictationCommands::looksLikeQuestion(text)) {
        s_.quickDictation.finish(Status::of(Status::Kind::toPanel), kToPanelShown);
        endRouting(r);
        openPanelWith(text, ReplyKind::chat);
        return;
    }
    if (r->settings.savedMemoriesEnabled) {
        const std::optional<QString> note = MemoryCommand::note(text);
        if (note && !trimmed(*note).isEmpty()) {
            std::optional<QString> app;
            if (r->target && !r->target->localizedName.isEmpty())
                app = r->target->localizedName;
            s_.memory.remember(*note, app);
            s_.quickDictation.finish(Status::of(Status::Kind::remembered), kRememberedShown);
            endRouting(r);
            return;
        }
    }
    if (!DictationCommands::mightBeRequest(text)) {
        applySpokenInstruction(r);
        return;
    }
    s_.quickDictation.model().setStatus(Status::transforming(tr("Prüft den Auftrag …")));
    askForDictation(r, DictationPrompts::decision(), text,
                    [this, r](std::optional<QString> answer, bool timedOut) {
                        if (timedOut) {
                            s_.quickDictation.finish(
                                Status::failed(tr("KI nicht erreichbar – Originaltext eingefügt")),
                                kFailureShown);
                            insertDictated(r, r->text);
                            return;
                        }
                        if (answer && answer->toUpper().contains(QLatin1String("TASK"))) {
                            s_.quickDictation.finish(Status::of(Status::Kind::toPanelDraft),
                                                     kToPanelShown);
                            endRouting(r);
                            openPanelWith(r->text, std::nullopt);
                            return;
                        }
                        applySpokenInstruction(r);
                    });
}

void AppCoordinator::applySpokenInstruction(const RoutingPtr& r) {
    if (!DictationCommands::containsInstruction(r->text)) {
        formatOrInsert(r);
        return;
    }
    const auto ask = [this, r](std::optional<QString> selection) {
        s_.quickDictation.model().setStatus(Status::transforming(
            selection ? tr("Wendet es auf die Markierung an …") : tr("Setzt die Anweisung um …")));
        const QString system =
            selection ? DictationPrompts::selection() : DictationPrompts::instruction();
        const QString user =
            selection ? DictationPrompts::selectionRequest(r->text, *selection) : r->text;
        askForDictation(r, system, user, [this, r](std::optional<QString> answer, bool) {
            QString result = r->text;
            if (!answer) {
                // The words are never lost: they go in as spoken, and the display says so.
                s_.quickDictation.finish(
                    Status::failed(tr("KI nicht erreichbar – Originaltext eingefügt")),
                    kFailureShown);
            } else if (!trimmed(*answer).isEmpty()) {
                result = trimmed(*answer);
            }
            if (result == r->text) {
                formatOrInsert(r);
                return;
            }
            insertDictated(r, result);
        });
    };
    if (!s_.inserter) {
        ask(std::nullopt);
        return;
    }
    s_.inserter->copySelection([this, r, ask](std::optional<QString> selection) {
        // After the wait for the copied selection.
        if (!isAlive(r->task))
            return;
        ask(std::move(selection));
    });
}

void AppCoordinator::formatOrInsert(const RoutingPtr& r) {
    if (!r->settings.smartFormatting || !DictationCommands::worthFormatting(r->text)) {
        insertDictated(r, r->text);
        return;
    }
    s_.quickDictation.model().setStatus(Status::transforming(tr("Formatiert …")));
    askForDictation(r, DictationPrompts::formatting(), r->text,
                    [this, r](std::optional<QString> answer, bool) {
                        const bool formatted = answer && !trimmed(*answer).isEmpty();
                        insertDictated(r, formatted ? trimmed(*answer) : r->text);
                    });
}

void AppCoordinator::askForDictation(
    const RoutingPtr& r, const QString& system, const QString& user,
    std::function<void(std::optional<QString> answer, bool timedOut)> done) {
    const CoreTaskPtr task = r->task.lock();
    AIRequest request;
    request.system = system;
    request.user = user;
    request.model = r->settings.provider == ProviderID::codexCLI
                        ? r->settings.model(ProviderID::codexCLI)
                        : std::optional<QString>(QStringLiteral("haiku"));

    // The call has its own task, so that the time limit can drop it (its process ends) while
    // the routing goes on.
    auto call = std::make_shared<CoreTask>();
    task->hold(std::make_unique<CoreTaskPtr>(call));
    auto settled = std::make_shared<bool>(false);
    std::weak_ptr<CoreTask> weakCall = call;
    const auto settle = [this, weakCall, settled, done](std::optional<QString> answer,
                                                        bool timedOut) {
        if (*settled)
            return;
        *settled = true;
        // Dropped once this callback, which the call may own, has returned.
        if (const CoreTaskPtr held = weakCall.lock())
            QMetaObject::invokeMethod(
                this, [held] { held->cancel(); }, Qt::QueuedConnection);
        done(std::move(answer), timedOut);
    };
    std::unique_ptr<AIProvider> ai = s_.makeProvider(r->settings.provider, r->settings);
    call->hold(ai->complete(request, [r, settle](AIResult<QString> answer) {
        // After the wait for the AI's answer.
        if (!isAlive(r->task))
            return;
        settle(answer ? std::optional<QString>(answer.value()) : std::nullopt, false);
    }));
    call->hold(std::move(ai));
    call->hold(s_.clock.singleShot(kDictationAILimit, [r, settle] {
        // After the wait of the time limit: the tool hangs, and the words go in as recognised.
        if (!isAlive(r->task))
            return;
        settle(std::nullopt, true);
    }));
}

void AppCoordinator::openPanelWith(const QString& text, std::optional<ReplyKind> forced) {
    // Another opening is under way: the spoken text has nowhere to go.
    if (isInvoking_)
        return;
    isInvoking_ = true;
    invokeNow([this, text, forced] {
        if (session_)
            send(text, forced, false);
        isInvoking_ = false;
    });
}

void AppCoordinator::insertDictated(const RoutingPtr& r, const QString& text) {
    const AssistantSettings& settings = s_.settings.settings();
    std::optional<QString> app;
    if (r->target && !r->target->localizedName.isEmpty())
        app = r->target->localizedName;
    s_.memory.recordActivity(app, std::nullopt, text, settings.activityMemory,
                             MemoryEntry::Kind::wrote);
    if (settings.learnStyle && characterCount(r->text) >= kStyleSignalMinimum)
        addStyleSignal(QStringLiteral("Own words (dictated): ") + r->text);
    const bool undo = settings.undoAfterInsert;

    waitForModifiers(r, kModifierPasses, [this, r, text, undo] {
        if (!s_.permissions.accessibility()) {
            putOnClipboard(text);
            s_.quickDictation.finish(
                Status::failed(tr("In die Zwischenablage kopiert (Bedienungshilfen fehlen)")),
                kFailureShown);
            endRouting(r);
            return;
        }
        if (!s_.inserter) {
            endRouting(r);
            return;
        }
        s_.inserter->insert(text, r->target, false, [this, r, undo] {
            // After the wait for the paste.
            if (!isAlive(r->task))
                return;
            const Status status = s_.quickDictation.model().status();
            if (isFailure(status)) {
                // An earlier failure (the engine's, or the AI's) stays readable, then goes.
                s_.quickDictation.finish(status, kFailureShown);
                endRouting(r);
                return;
            }
            s_.quickDictation.finish(Status::of(Status::Kind::inserted), kInsertedShown);
            if (!undo || !s_.undoToast) {
                endRouting(r);
                return;
            }
            r->task.lock()->hold(s_.clock.singleShot(kToastAfter, [this, r] {
                // After the wait before the toast.
                if (!isAlive(r->task))
                    return;
                s_.undoToast->show(insertionAnchor(r->snapshot()), r->target);
                endRouting(r);
            }));
        });
    });
}

void AppCoordinator::waitForModifiers(const RoutingPtr& r, int passesLeft,
                                      std::function<void()> then) {
    // A held modifier would turn the paste key into another shortcut; the wait is short.
    if (passesLeft > 0 && s_.modifiers && (s_.modifiers->currentFlags() & kHeldModifiers)) {
        r->task.lock()->hold(
            s_.clock.singleShot(kModifierPass, [this, r, passesLeft, then = std::move(then)] {
                // After the wait for the modifiers to come up.
                if (!isAlive(r->task))
                    return;
                waitForModifiers(r, passesLeft - 1, then);
            }));
        return;
    }
    then();
}

void AppCoordinator::endRouting(const RoutingPtr& r) {
    forget(routings_, r->task);
}

void AppCoordinator::dictateOnlyDown() {
    if (dictateOnlyIsDown_ || hotkeyIsDown_ || s_.quickDictation.isRunning())
        return;
    dictateOnlyIsDown_ = true;
    s_.permissions.refresh();
    if (!s_.permissions.microphone() || !s_.quickDictation.prepare(s_.settings.settings(), true)) {
        dictateOnlyIsDown_ = false;
        return;
    }
    dictateOnlyActive_ = true;
    const quint64 serial = ++dictateSerial_;
    dictateSnapshot_.reset();
    dictateSnapshotRead_ = s_.context.quickSnapshot(
        s_.context.prefetchField(), false, [this, serial](std::optional<ContextSnapshot> snapshot) {
            // After the wait for the snapshot: is this still the press that asked? Kept after
            // the release too, since the undo toast goes beside the same field.
            if (serial != dictateSerial_)
                return;
            dictateSnapshot_ = std::move(snapshot);
            if (dictateOnlyActive_)
                showDictationDisplay(dictateSnapshot_);
        });
}

void AppCoordinator::dictateOnlyUp() {
    if (!dictateOnlyIsDown_)
        return;
    dictateOnlyIsDown_ = false;
    if (!dictateOnlyActive_)
        return;
    dictateOnlyActive_ = false;

    // Word for word, no AI.
    const quint64 serial = dictateSerial_;
    beginRouting(
        [this, serial]() -> std::optional<ContextSnapshot> {
            return serial == dictateSerial_ ? dictateSnapshot_ : std::nullopt;
        },
        [this, serial](ContextSnapshot snapshot) {
            if (serial == dictateSerial_)
                dictateSnapshot_ = std::move(snapshot);
        },
        [this](const RoutingPtr& r) { insertDictated(r, r->text); });
}

void AppCoordinator::toggle() {
    if (s_.panel.isShown() && s_.panel.isKey()) {
        dismiss();
        return;
    }
    if (s_.panel.isShown()) {
        s_.panel.raise(pressTime_);
        return;
    }
    invoke();
}

void AppCoordinator::escape() {
    if (!session_) {
        dismiss();
        return;
    }
    if (session_->isListening()) {
        cancelListening();
        return;
    }
    if (session_->phase().kind() == AssistantSession::Phase::Kind::streaming) {
        stopGenerating();
        return;
    }
    dismiss();
}

bool AppCoordinator::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return PanelActions::eventFilter(watched, event);
    if (!s_.panel.isShown())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress && key->key() == Qt::Key_Escape) {
        escape();
        return true;
    }
    handlePushToTalk(event);
    return false;
}

bool AppCoordinator::handlePushToTalk(QEvent* event) {
    const AssistantSettings& settings = s_.settings.settings();
    if (!settings.dictationEnabled || settings.pushToTalkKey == PushToTalkKey::none)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!isPushToTalkKey(settings.pushToTalkKey, key->nativeVirtualKey()) || key->isAutoRepeat())
        return false;
    const bool down = event->type() == QEvent::KeyPress;
    if (down && !pushToTalkActive_) {
        pushToTalkActive_ = true;
        startListening();
    } else if (!down && pushToTalkActive_) {
        pushToTalkActive_ = false;
        finishListening(true);
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Invocation and dismissal

void AppCoordinator::invoke() {
    if (isInvoking_)
        return;
    isInvoking_ = true;
    invokeNow([this] { isInvoking_ = false; });
}

void AppCoordinator::invokeNow(std::function<void()> done) {
    const nanoseconds start = s_.clock.monotonic();
    s_.permissions.refresh();
    std::optional<Platform::RunningApplication> target = s_.context.frontApplication();
    std::optional<ContextSource::Prefetch> prefetch = std::move(fieldPrefetch_);
    fieldPrefetch_.reset();

    auto task = std::make_shared<CoreTask>();
    invocations_.push_back(task);
    std::weak_ptr<CoreTask> weak = task;
    task->hold(s_.context.quickSnapshot(
        std::move(prefetch), true,
        [this, weak, target, start, done](std::optional<ContextSnapshot> context) {
            const CoreTaskPtr self = weak.lock();
            // After the wait: an opening is only dropped when the coordinator goes.
            if (!self || self->isCancelled())
                return;
            std::erase(invocations_, self);
            open(target, std::move(context), start);
            if (done)
                done();
        }));
}

void AppCoordinator::open(std::optional<Platform::RunningApplication> target,
                          std::optional<ContextSnapshot> context, nanoseconds start) {
    const AssistantSettings& settings = s_.settings.settings();
    auto session = std::make_unique<AssistantSession>(target, context, settings.provider);

    if (context && context->selectedText && !trimmed(*context->selectedText).isEmpty()) {
        QuotedMessage quote;
        quote.text = firstCharacters(*context->selectedText, 4000);
        quote.language = QuoteExtractor::detectLanguage(*context->selectedText);
        quote.isSelection = true;
        session->setQuote(quote);
    }
    session->setProject(matchProject(session->context(), session->quote()));

    replaceSession(std::move(session));
    AssistantSession& current = *session_;

    const nanoseconds shown = s_.clock.monotonic();
    s_.panel.show(current, *this, pressTime_);
    const nanoseconds after = s_.clock.monotonic();
    qCInfo(timingLog, "Panel: Kontext %lld ms, Anzeigen %lld ms, Auswahl per AX: %s",
           millisBetween(start, shown), millisBetween(shown, after),
           context && context->selectedText ? "true" : "false");

    startSideTasks(current);
}

void AppCoordinator::replaceSession(std::unique_ptr<AssistantSession> session) {
    // The session being replaced stops its work as on dismissal; it is neither recorded nor
    // hidden, since the panel shows the new one at once.
    cancelSessionWork();
    if (session_)
        retired_ = std::move(session_);
    session_ = std::move(session);
    emit sessionChanged();
}

void AppCoordinator::startSideTasks(AssistantSession& session) {
    const AssistantSettings settings = s_.settings.settings();
    if (!session.context() || !settings.includeScreenshot || !s_.permissions.screenRecording()) {
        captureTask_.reset();
        quoteTask_.reset();
        threadTask_.reset();
        return;
    }
    const ContextSnapshot& context = *session.context();
    session.setCapturing(true);
    session.setReadingQuote(!session.quote() &&
                            (!context.bundleID || !MessageApps::contains(*context.bundleID)));
    if (session.isReadingQuote()) {
        placeholderTimer_ =
            s_.clock.singleShot(kQuotePlaceholder, [this, weak = QPointer(&session)] {
                if (weak && weak == session_.get() && weak->isReadingQuote())
                    weak->setQuotePlaceholderHidden(true);
            });
    }
    captureTask_ = startCapture(session, context);
    if (session.isReadingQuote()) {
        quoteTask_ = startQuote(session, settings);
        threadTask_ = startThread(session, settings);
    } else {
        quoteTask_.reset();
        threadTask_.reset();
    }
}

bool AppCoordinator::isCurrent(const std::weak_ptr<CoreTask>& task,
                               const QPointer<AssistantSession>& session) const {
    const CoreTaskPtr locked = task.lock();
    return locked && !locked->isCancelled() && session && session == session_.get();
}

bool AppCoordinator::isAlive(const std::weak_ptr<CoreTask>& task) {
    const CoreTaskPtr locked = task.lock();
    return locked && !locked->isCancelled();
}

void AppCoordinator::forget(std::vector<CoreTaskPtr>& tasks, const std::weak_ptr<CoreTask>& task) {
    const CoreTaskPtr locked = task.lock();
    if (!locked)
        return;
    std::erase(tasks, locked);
    // The handles it holds may be the very caller of this continuation: let them go once the
    // call stack has unwound.
    QMetaObject::invokeMethod(
        this, [locked] { locked->finish(); }, Qt::QueuedConnection);
}

CoreTaskPtr AppCoordinator::startCapture(AssistantSession& session,
                                         const ContextSnapshot& context) {
    auto task = std::make_shared<CoreTask>();
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> target(&session);
    task->hold(s_.context.addScreenshot(context, [this, weak, target](ContextSnapshot shot) {
        // After the wait for the picture.
        if (!isCurrent(weak, target))
            return;
        target->setContext(std::move(shot));
        target->setCapturing(false);
        weak.lock()->finish();
    }));
    return task;
}

namespace {

// Runs `then` once `task` has finished, at once when there is none.
void afterTask(const CoreTaskPtr& task, std::function<void()> then) {
    if (task)
        task->whenFinished(std::move(then));
    else
        then();
}

}  // namespace

CoreTaskPtr AppCoordinator::askAboutPicture(AssistantSession& session,
                                            const AssistantSettings& settings,
                                            const PictureQuestion& question) {
    auto task = std::make_shared<CoreTask>();
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> target(&session);
    afterTask(captureTask_, [this, weak, target, settings, question] {
        // After the wait for the picture.
        if (!isCurrent(weak, target))
            return;
        const CoreTaskPtr self = weak.lock();
        if (!target->context() || question.needless(*target)) {
            self->finish();
            return;
        }
        const auto answered = [this, weak, target, question](std::optional<QString> answer) {
            // After the wait for the AI's answer.
            if (!isCurrent(weak, target))
                return;
            question.store(*target, answer);
            weak.lock()->finish();
        };
        const std::optional<AIRequest> request =
            question.request(*target->context(), target->provider());
        if (!request) {
            answered(std::nullopt);
            return;
        }
        std::unique_ptr<AIProvider> ai = s_.makeProvider(target->provider(), settings);
        self->hold(ai->complete(*request, [answered](AIResult<QString> answer) {
            answered(answer ? std::optional<QString>(answer.value()) : std::nullopt);
        }));
        self->hold(std::move(ai));
    });
    return task;
}

CoreTaskPtr AppCoordinator::startQuote(AssistantSession& session,
                                       const AssistantSettings& settings) {
    return askAboutPicture(session, settings,
                           {&QuoteExtractor::extractionRequest,
                            [](const AssistantSession& s) { return s.quote().has_value(); },
                            [this](AssistantSession& s, const std::optional<QString>& answer) {
                                s.setQuote(answer ? QuoteExtractor::parse(*answer) : std::nullopt);
                                s.setReadingQuote(false);
                                if (!s.projectChosenManually()) {
                                    if (auto project = matchProject(s.context(), s.quote()))
                                        s.setProject(std::move(project));
                                }
                            }});
}

CoreTaskPtr AppCoordinator::startThread(AssistantSession& session,
                                        const AssistantSettings& settings) {
    return askAboutPicture(
        session, settings,
        {&QuoteExtractor::threadRequest, [](const AssistantSession&) { return false; },
         [](AssistantSession& s, const std::optional<QString>& answer) {
             // A selected text is the quote; the conversation around it is not the user's.
             if (s.quote() && s.quote()->isSelection)
                 return;
             s.setThread(answer ? QuoteExtractor::parseThread(*answer) : QList<ThreadMessage>());
         }});
}

std::optional<Project> AppCoordinator::matchProject(
    const std::optional<ContextSnapshot>& context,
    const std::optional<QuotedMessage>& quote) const {
    QStringList parts;
    if (context) {
        parts << context->appName;
        if (context->windowTitle)
            parts << *context->windowTitle;
        if (context->fieldLabel)
            parts << *context->fieldLabel;
        if (context->fieldValue)
            parts << *context->fieldValue;
    }
    if (quote) {
        if (quote->author)
            parts << *quote->author;
        parts << quote->text;
    }
    return ProjectTools::match(s_.settings.settings().projects, parts.join(QStringLiteral(" \n ")));
}

void AppCoordinator::cancelSessionWork() {
    cancelTask(generationTask_);
    cancelTask(captureTask_);
    cancelTask(quoteTask_);
    cancelTask(threadTask_);
    if (dictation_) {
        dictation_->cancel();
        dictation_.reset();
    }
    cancelTask(listenTask_);
    pushToTalkActive_ = false;
}

void AppCoordinator::dismiss() {
    cancelSessionWork();
    if (session_) {
        recordViewed(*session_);
        retired_ = std::move(session_);
        emit sessionChanged();
    }
    s_.panel.hide();
}

void AppCoordinator::recordViewed(const AssistantSession& session) {
    const AssistantSettings& settings = s_.settings.settings();
    if (settings.activityMemory == MemoryRetention::off || !session.context())
        return;
    const std::optional<QString> text = ViewedRecord::text(session);
    if (!text)
        return;
    s_.memory.recordActivity(session.context()->appName, std::nullopt, *text,
                             settings.activityMemory, MemoryEntry::Kind::viewed);
}

// ---------------------------------------------------------------------------------------
// Panel operations

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

void AppCoordinator::startListening() {
    AssistantSession* s = session_.get();
    if (!s || s->isListening() || s->phase().kind() == AssistantSession::Phase::Kind::streaming)
        return;
    const AssistantSettings settings = s_.settings.settings();
    if (!settings.dictationEnabled)
        return;
    if (!s_.permissions.microphone() || !s_.permissions.speech()) {
        // The dictation does not begin after a grant: the user starts it again.
        s_.permissions.requestMicrophone();
        return;
    }
    std::shared_ptr<DictationService> engine =
        s_.makeDictation ? std::shared_ptr<DictationService>(s_.makeDictation(settings)) : nullptr;
    if (!engine)
        return;

    QPointer<AssistantSession> session(s);
    engine->onPartial = [session](const QString& confirmed, const QString& tentative) {
        if (!session)
            return;
        session->setLiveConfirmed(confirmed);
        session->setLiveTentative(tentative);
    };
    engine->onLevel = [session](float level) {
        if (session)
            session->pushLevel(level);
    };
    engine->onError = [this, session](const QString& message) {
        s_.log.log(QStringLiteral("Spracherkennung: ") + message);
        if (session)
            session->setDictationError(message);
    };

    cancelTask(listenTask_);
    auto task = std::make_shared<CoreTask>();
    listenTask_ = task;
    task->hold(std::make_unique<std::shared_ptr<DictationService>>(engine));
    dictation_ = engine;

    s->setDictationError(std::nullopt);
    s->setLiveConfirmed(QString());
    s->setLiveTentative(QString());
    s->setListening(true);

    std::weak_ptr<CoreTask> weak = task;
    DictationService* raw = engine.get();
    engine->start([this, weak, session, raw](const std::optional<QString>& error) {
        // After the wait for the engine's start: a dismissed or newer session hears nothing.
        if (!isCurrent(weak, session) || !error)
            return;
        s_.log.log(QStringLiteral("Spracheingabe-Start: ") + *error);
        // finishListening may already have taken this engine for the hand-over.
        if (dictation_.get() == raw)
            dictation_.reset();
        raw->cancel();
        session->setListening(false);
        session->setDictationError(*error);
    });
}

void AppCoordinator::finishListening(bool generateAfterwards) {
    AssistantSession* s = session_.get();
    if (!s || !s->isListening() || !dictation_)
        return;
    const std::shared_ptr<DictationService> engine = std::move(dictation_);
    dictation_.reset();
    QPointer<AssistantSession> session(s);
    std::weak_ptr<CoreTask> weak = listenTask_;
    engine->stop([this, weak, session, generateAfterwards](const QString& text) {
        // After the wait for the final text: only the session that listened takes it, and
        // only while nobody cancelled the hand-over (Escape, dismissal, a new panel).
        if (!isCurrent(weak, session))
            return;
        session->setListening(false);
        session->setLevels(QList<float>(session->levels().size(), 0.0f));
        const QString dictated = trimmed(text);
        if (dictated.isEmpty())
            return;
        const QString typed = session->instruction();
        session->setInstruction(trimmed(typed).isEmpty() ? dictated
                                                         : typed + QLatin1Char(' ') + dictated);
        if (generateAfterwards)
            primaryAction();
    });
}

void AppCoordinator::cancelListening() {
    AssistantSession* s = session_.get();
    if (!s)
        return;
    if (dictation_) {
        dictation_->cancel();
        dictation_.reset();
    }
    // A hand-over under way is dropped with its text.
    cancelTask(listenTask_);
    s->setListening(false);
    s->setLevels(QList<float>(s->levels().size(), 0.0f));
}

void AppCoordinator::copyDraft() {
    AssistantSession* s = session_.get();
    if (!s || !s->hasDraft())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(s->draft());
    dismiss();
}

void AppCoordinator::insert() {
    AssistantSession* s = session_.get();
    if (!s || s->phase().kind() != AssistantSession::Phase::Kind::done || !s->hasDraft())
        return;
    const QString draft = s->draft();
    const std::optional<Platform::RunningApplication> target = s->targetApp();
    const AssistantSettings settings = s_.settings.settings();

    if (!s_.permissions.accessibility()) {
        // The draft is not lost: the user pastes it by hand.
        putOnClipboard(draft);
        s->setPhase(AssistantSession::Phase::failed(AssistantProblem::accessibilityMissing()));
        return;
    }

    std::optional<QString> app;
    if (s->context())
        app = s->context()->appName;
    else if (target)
        app = target->localizedName;
    std::optional<QString> quoted;
    if (const std::optional<QuotedMessage>& quote = s->quote())
        quoted = quote->author ? *quote->author + QStringLiteral(": ") + quote->text : quote->text;
    s_.memory.recordActivity(app, quoted, draft, settings.activityMemory, MemoryEntry::Kind::wrote);

    const std::optional<QRectF> anchor = insertionAnchor(s->context());
    QPointer<AssistantSession> inserted(s);
    const bool reshow = !settings.closePanelAfterInsert;
    if (reshow)
        s_.panel.hide();
    else
        dismiss();
    if (!s_.inserter)
        return;

    auto task = std::make_shared<CoreTask>();
    pastes_.push_back(task);
    std::weak_ptr<CoreTask> weak = task;
    s_.inserter->insert(
        draft, target, settings.sendAfterInsert,
        [this, weak, inserted, anchor, target, settings, reshow] {
            // After the wait for the paste: the panel is closed or hidden, so only the
            // coordinator's end drops what follows; the panel comes back only for the very
            // session that was hidden.
            if (!isAlive(weak))
                return;
            forget(pastes_, weak);
            if (settings.undoAfterInsert && !settings.sendAfterInsert && s_.undoToast)
                s_.undoToast->show(anchor, target);
            if (reshow && inserted && inserted == session_.get())
                s_.panel.show(*inserted, *this, pressTime_);
        });
}

void AppCoordinator::dismissScreenHint() {
    if (session_)
        session_->setScreenHintDismissed(true);
}

void AppCoordinator::chooseProject(std::optional<Project> project) {
    if (!session_)
        return;
    session_->setProject(std::move(project));
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

void AppCoordinator::openLogin(ProviderID provider) {
    if (s_.loginOpener)
        s_.loginOpener->openLogin(provider);
}

namespace {

// Links go nowhere where the application has no opener.
class NoUrlOpener final : public Platform::UrlOpener {
public:
    bool open(const QUrl&) override { return false; }
};

}  // namespace

void AppCoordinator::runAction() {
    AssistantSession* s = session_.get();
    if (!s || !s->actionProposal())
        return;
    ActionProposal running = *s->actionProposal();
    // A second press while it runs is no second run.
    if (std::holds_alternative<ActionProposal::Running>(running.status))
        return;
    running.status = ActionProposal::Running{};
    s->setActionProposal(running);

    static NoUrlOpener noOpener;
    Platform::UrlOpener& opener = s_.urlOpener ? *s_.urlOpener : noOpener;
    auto task = std::make_shared<CoreTask>();
    actionRuns_.push_back(task);
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> session(s);
    const QUuid id = running.id;
    task->hold(ActionRunner::run(
        running.action, running.params, s->project(), opener,
        [this, weak, session, id](AIResult<ActionRunner::Result> result) {
            // After the wait for the run: it ends in the session that started it, even after
            // the panel closed, and only on the proposal that ran; a newer proposal keeps its
            // own state.
            if (!isAlive(weak))
                return;
            forget(actionRuns_, weak);
            if (!session || !session->actionProposal() || session->actionProposal()->id != id)
                return;
            ActionProposal ended = *session->actionProposal();
            if (result)
                ended.status = ActionProposal::Done{result.value().message, result.value().url};
            else
                ended.status = ActionProposal::Failed{result.failure().errorDescription()};
            session->setActionProposal(ended);
        }));
}

void AppCoordinator::saveDefinition() {
    AssistantSession* s = session_.get();
    if (!s || !s->definitionProposal() || s->definitionProposal()->saved)
        return;
    ActionDefinitionProposal proposal = *s->definitionProposal();
    // Appended to the actions as they are now, not to a copy taken earlier. An action the
    // user made meanwhile may have taken the id: the new one gets a free one rather than
    // shadowing it.
    s_.settings.update([&](AssistantSettings& settings) {
        const QList<AssistantAction> catalogue =
            AssistantAction::builtIns() + settings.customActions;
        const bool taken =
            std::any_of(catalogue.cbegin(), catalogue.cend(),
                        [&](const AssistantAction& a) { return a.id == proposal.action.id; });
        if (taken)
            proposal.action.id =
                StructuredReply::newActionId(proposal.action.name, [&] { return catalogue; });
        settings.customActions.append(proposal.action);
    });
    proposal.saved = true;
    s->setDefinitionProposal(proposal);
}

// ---------------------------------------------------------------------------------------
// Sending a request

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
    generationTask_ = startGeneration(g, captureTask_, quoteTask_);
}

// ---------------------------------------------------------------------------------------
// Reply generation

bool AppCoordinator::isCurrent(const Generation& g) const {
    return isCurrent(g.task, g.session);
}

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

void AppCoordinator::translateDraft(const std::shared_ptr<Generation>& g,
                                    std::function<void()> then) {
    AssistantSession& s = *g->session;
    const std::optional<QuotedMessage>& quote = s.quote();
    const QString draft = trimmed(s.draft());
    if (g->settings.replyLanguage != QLatin1String("auto") || !quote || !quote->language ||
        characterCount(draft) <= 15) {
        then();
        return;
    }
    const std::optional<QString> draftLanguage = QuoteExtractor::detectLanguage(draft);
    if (!draftLanguage || *draftLanguage == *quote->language) {
        then();
        return;
    }
    QString languageName = QLocale::languageToString(QLocale(*quote->language).language());
    if (QLocale(*quote->language).language() == QLocale::C || languageName.isEmpty())
        languageName = *quote->language;

    AIRequest request;
    request.system = QStringLiteral("Translate the user's text into ") + languageName +
                     QStringLiteral(
                         ". Keep meaning, tone, emojis, names, links and line "
                         "breaks. Output only the translation.");
    request.user = draft;
    request.model = g->settings.model(g->provider);
    std::unique_ptr<AIProvider> ai = s_.makeProvider(g->provider, g->settings);
    const CoreTaskPtr task = g->task.lock();
    task->hold(ai->complete(request, [this, g, then](AIResult<QString> answer) {
        // After the wait for the translation: a cancelled request leaves the session alone.
        if (!isCurrent(*g))
            return;
        if (answer) {
            const QString translated = trimmed(answer.value());
            if (!translated.isEmpty()) {
                AssistantSession& s = *g->session;
                s.setDraft(translated);
                QList<ConversationTurn> turns = s.turns();
                if (const auto index = indexOfTurn(turns, g->turnID)) {
                    turns[*index].reply = translated;
                    s.setTurns(turns);
                }
            }
        }
        then();
    }));
    task->hold(std::move(ai));
}

void AppCoordinator::finishReply(Generation& g) {
    AssistantSession& s = *g.session;
    if (s.activity())
        s.setActivity(std::nullopt);

    QList<ConversationTurn> turns = s.turns();
    const auto index = indexOfTurn(turns, g.turnID);
    if (index && g.kind == ReplyKind::document) {
        ConversationTurn& turn = turns[*index];
        const DocumentStore::SaveResult saved = DocumentStore::save(turn.reply, s_.clock);
        if (saved.ok()) {
            turn.documentURL = QUrl::fromLocalFile(saved.path);
            turn.display = DocumentStore::split(turn.reply).title;
        } else {
            turn.kind = ReplyKind::chat;
            turn.display = tr("Die Datei konnte nicht gespeichert werden: ") + saved.error;
        }
        s.setTurns(turns);
    }
    if (index && g.kind && isStructured(*g.kind)) {
        const QString json = turns[*index].reply;
        const std::optional<QString> line = applyStructured(*g.kind, json, s);
        turns = s.turns();
        if (const auto again = indexOfTurn(turns, g.turnID)) {
            if (line) {
                turns[*again].display = *line;
            } else {
                turns[*again].kind = ReplyKind::chat;
                turns[*again].display =
                    tr("Das konnte ich nicht als Aktion vorbereiten. Sag mir bitte genauer, was "
                       "passieren soll.");
            }
            s.setTurns(turns);
        }
    }
    s.setActiveTurnID(std::nullopt);

    const bool empty = !g.kind || (*g.kind == ReplyKind::draft && !s.hasDraft());
    if (empty) {
        turns = s.turns();
        if (const auto at = indexOfTurn(turns, g.turnID)) {
            turns.removeAt(*at);
            s.setTurns(turns);
        }
        s.setPhase(AssistantSession::Phase::failed(
            AssistantProblem::generic(tr("Die KI hat keine Antwort geliefert."))));
    } else {
        s.setPhase(s.hasDraft() ? AssistantSession::Phase::done()
                                : AssistantSession::Phase::ready());
    }
    if (const CoreTaskPtr task = g.task.lock())
        task->finish();
}

void AppCoordinator::streamFailed(Generation& g, const AIFailure& failure) {
    AssistantSession& s = *g.session;
    QList<ConversationTurn> turns = s.turns();
    if (const auto index = indexOfTurn(turns, g.turnID)) {
        turns.removeAt(*index);
        s.setTurns(turns);
    }
    s.setActiveTurnID(std::nullopt);
    // The input comes back for another try, but never over what the user typed meanwhile.
    if (!g.hidden && trimmed(s.instruction()).isEmpty())
        s.setInstruction(g.input);

    AssistantProblem problem = AssistantProblem::generic(failure.errorDescription());
    if (const AIError* error = failure.aiError()) {
        switch (error->kind()) {
            case AIError::Kind::cliNotFound:
                problem = AssistantProblem::notFound(g.provider);
                break;
            case AIError::Kind::notLoggedIn:
                problem = AssistantProblem::notSignedIn(g.provider);
                break;
            case AIError::Kind::failed:
                problem = ErrorClassifier::classify(error->payload(), g.provider);
                break;
        }
    } else {
        problem = ErrorClassifier::classify(failure.errorDescription(), g.provider);
    }
    s.setPhase(AssistantSession::Phase::failed(std::move(problem)));
    if (const CoreTaskPtr task = g.task.lock())
        task->finish();
}

std::optional<QString> AppCoordinator::applyStructured(ReplyKind kind, const QString& json,
                                                       AssistantSession& session) {
    return StructuredReply::apply(kind, json, session, [this] {
        return AssistantAction::builtIns() + s_.settings.settings().customActions;
    });
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

// ---------------------------------------------------------------------------------------
// Memory notes and style learning

void AppCoordinator::rememberLocally(const QString& note, const QString& input,
                                     AssistantSession& session) {
    std::optional<QString> lastReply;
    for (auto it = session.turns().crbegin(); it != session.turns().crend(); ++it) {
        if (!trimmed(it->reply).isEmpty()) {
            lastReply = it->reply;
            break;
        }
    }
    QString text;
    if (!trimmed(note).isEmpty())
        text = note;
    else if (session.hasDraft())
        text = session.draft();
    else if (lastReply)
        text = *lastReply;
    else if (session.quote())
        text = session.quote()->text;

    ConversationTurn turn;
    turn.user = input;
    turn.kind = ReplyKind::chat;
    if (!trimmed(text).isEmpty()) {
        s_.memory.remember(text, session.context()
                                     ? std::optional<QString>(session.context()->appName)
                                     : std::nullopt);
        turn.reply = tr("Gemerkt. Du findest es unter Einstellungen → Erinnerungen.") +
                     QStringLiteral("\n\n> ") + firstCharacters(text, 300);
    } else {
        turn.reply =
            tr("Was soll ich mir merken? Zum Beispiel: „Merk dir: Black Friday 30 % ab "
               "27.11.“");
    }
    QList<ConversationTurn> turns = session.turns();
    turns.append(turn);
    session.setTurns(turns);
    session.setInstruction(QString());
    session.setPhase(AssistantSession::Phase::done());
}

void AppCoordinator::addStyleSignal(const QString& text) {
    s_.memory.addStyleSignal(text);
    if (s_.memory.data().signalsSinceLearning >= 8)
        learnStyleNow();
}

void AppCoordinator::learnStyleNow(std::function<void()> done) {
    const auto finish = [&done] {
        if (done)
            done();
    };
    if (isLearningStyle_) {
        finish();
        return;
    }
    const AssistantSettings settings = s_.settings.settings();
    const std::optional<AIRequest> request = StyleLearner::request(
        settings.learnedStyle, settings.styleExamples, s_.memory.data().styleSignals, settings);
    if (!request) {
        finish();
        return;
    }
    isLearningStyle_ = true;
    auto task = std::make_shared<CoreTask>();
    learnTask_ = task;
    std::unique_ptr<AIProvider> ai = s_.makeProvider(settings.provider, settings);
    std::weak_ptr<CoreTask> weak = task;
    task->hold(ai->complete(*request, [this, weak, done](AIResult<QString> answer) {
        // After the wait for the AI: only the style field is written, into the settings as
        // they are now, so that changes made meanwhile stay.
        if (answer) {
            const QString style = trimmed(answer.value());
            if (!style.isEmpty()) {
                s_.settings.update([&](AssistantSettings& s) { s.learnedStyle = style; });
                MemoryStore::Data data = s_.memory.data();
                data.signalsSinceLearning = 0;
                s_.memory.setData(data);
                s_.memory.save();
            }
        }
        isLearningStyle_ = false;
        if (const CoreTaskPtr self = weak.lock())
            self->finish();
        if (done)
            done();
    }));
    task->hold(std::move(ai));
}
