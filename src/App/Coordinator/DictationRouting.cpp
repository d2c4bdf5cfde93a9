// What quickly dictated words become: a question for the panel, a note, a request, an
// instruction applied, formatted text, or the words as spoken pasted into the target; and
// the routing's end.

#include <utility>

#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "App/DictationPrompts.h"
#include "Memory/MemoryCommand.h"
#include "Memory/MemoryStore.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "Platform/KeySender.h"
#include "Platform/ModifierState.h"
#include "Settings/SettingsStore.h"
#include "Voice/DictationCommands.h"
#include "Voice/QuickDictationController.h"

using namespace CoordinatorShared;

namespace {

constexpr milliseconds kToPanelShown{900};
constexpr milliseconds kRememberedShown{1600};
constexpr milliseconds kInsertedShown{700};
constexpr milliseconds kToastAfter{750};
constexpr milliseconds kModifierPass{50};
constexpr int kModifierPasses = 20;
constexpr qsizetype kStyleSignalMinimum = 25;
// Shift, Control, Alt and Super as the modifier state reports them.
constexpr quint64 kHeldModifiers = Platform::EventFlag::HeldModifiers;

}  // namespace

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
                            insertAsRecognised(r);
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
        askForDictation(r, system, user, [this, r](std::optional<QString> answer, bool timedOut) {
            // No formatting call after the time is up: the bound is for the whole routing.
            if (timedOut) {
                insertAsRecognised(r);
                return;
            }
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
    // The copy key in a password field would send its secret to the AI, wherever the
    // application lets the copy through: it goes only where a read says the field is none.
    const auto copyUnlessPassword = [this, r, ask](const std::optional<ContextSnapshot>& read) {
        if (!read || read->fieldIsPassword ||
            (r->target && read->processID != r->target->processIdentifier)) {
            ask(std::nullopt);
            return;
        }
        s_.inserter->copySelection([this, r, ask](std::optional<QString> selection) {
            // After the wait for the copied selection.
            if (!isAlive(r->task))
                return;
            ask(std::move(selection));
        });
    };
    if (const std::optional<ContextSnapshot> snapshot = r->snapshot()) {
        copyUnlessPassword(snapshot);
        return;
    }
    // The press's read has not come yet, or a newer press made it void: the field is read
    // now, within the read's own time limit.
    auto read = std::make_shared<CoreTask>();
    r->task.lock()->hold(std::make_unique<CoreTaskPtr>(read));
    std::weak_ptr<CoreTask> weak = read;
    read->hold(s_.context.quickSnapshot(
        std::nullopt, false, [r, weak, copyUnlessPassword](std::optional<ContextSnapshot> fresh) {
            // After the wait for the read.
            const CoreTaskPtr read = weak.lock();
            if (!read || read->isCancelled() || !isAlive(r->task))
                return;
            read->finish();
            copyUnlessPassword(fresh);
        }));
}

void AppCoordinator::formatOrInsert(const RoutingPtr& r) {
    if (!r->settings.smartFormatting || !DictationCommands::worthFormatting(r->text)) {
        insertDictated(r, r->text);
        return;
    }
    s_.quickDictation.model().setStatus(Status::transforming(tr("Formatiert …")));
    askForDictation(r, DictationPrompts::formatting(), r->text,
                    [this, r](std::optional<QString> answer, bool timedOut) {
                        if (timedOut) {
                            insertAsRecognised(r);
                            return;
                        }
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
    // The time runs from the release, for all of the routing's calls together. A step that
    // comes after it starts no tool: the process would only be ended again at once.
    const milliseconds left = std::max(
        kDictationAILimit - duration_cast<milliseconds>(s_.clock.monotonic() - r->releasedAt),
        milliseconds(0));
    if (left > milliseconds(0)) {
        std::unique_ptr<AIProvider> ai = s_.makeProvider(r->settings.provider, r->settings);
        call->hold(ai->complete(request, [r, settle](AIResult<QString> answer) {
            // After the wait for the AI's answer.
            if (!isAlive(r->task))
                return;
            settle(answer ? std::optional<QString>(answer.value()) : std::nullopt, false);
        }));
        call->hold(std::move(ai));
    }
    call->hold(s_.clock.singleShot(left, [r, settle] {
        // After the wait of the time limit: the tool hangs, and the words go in as recognised.
        if (!isAlive(r->task))
            return;
        settle(std::nullopt, true);
    }));
}

void AppCoordinator::openPanelWith(const QString& text, std::optional<ReplyKind> forced) {
    // Whichever opening is under way, its panel takes the text. One request goes out; text
    // that asks for another meanwhile waits in the input, unsent, rather than stop the first.
    if (spokenRequest_)
        spokenInput_.append(text);
    else
        spokenRequest_ = Request{text, forced, false};
    invoke();
}

void AppCoordinator::keepInPanel(const QString& text) {
    spokenInput_.append(text);
    invoke();
}

void AppCoordinator::handOverSpokenText() {
    const std::optional<Request> request = std::exchange(spokenRequest_, std::nullopt);
    const QStringList input = std::exchange(spokenInput_, {});
    if (!session_)
        return;
    if (request)
        send(request->input, request->forced, request->hidden);
    // After the send, which empties the input it was given.
    if (!input.isEmpty())
        session_->setInstruction(input.join(QLatin1Char(' ')));
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
            const bool placed = putOnClipboard(s_.clipboard, text);
            s_.quickDictation.finish(
                Status::failed(placed ? tr("In die Zwischenablage kopiert (Barrierefreiheit aus)")
                                      : UndoToast::notPlacedText()),
                kFailureShown);
            endRouting(r);
            if (!placed)
                keepInPanel(text);
            return;
        }
        if (!s_.inserter) {
            endRouting(r);
            return;
        }
        s_.inserter->insert(
            text, r->target, false,
            [this, r, text, undo](const TextInserter::Insertion& insertion) {
                // After the wait for the paste.
                if (!isAlive(r->task))
                    return;
                if (!insertion.pasted) {
                    // The user pastes the words by hand; where the clipboard would not take them
                    // either, the display says so instead of pointing to an empty clipboard.
                    // What another program wrote, or what could not be kept, stays.
                    // The words must not be lost either: where they are neither in the field nor
                    // on the clipboard, the panel keeps them in its input.
                    QString notice;
                    bool kept = true;
                    if (insertion.overwritten) {
                        notice = UndoToast::overwrittenText();
                        kept = false;
                    } else if (insertion.unsaved) {
                        notice = UndoToast::unsavedText();
                        kept = false;
                    } else if (insertion.waiting || putOnClipboard(s_.clipboard, text)) {
                        notice = tr("In die Zwischenablage kopiert");
                    } else {
                        notice = UndoToast::notPlacedText();
                        kept = false;
                    }
                    s_.quickDictation.finish(Status::failed(notice), kFailureShown);
                    endRouting(r);
                    if (!kept)
                        keepInPanel(text);
                    return;
                }
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
                r->task.lock()->hold(s_.clock.singleShot(kToastAfter, [this, r, insertion] {
                    // After the wait before the toast.
                    if (!isAlive(r->task))
                        return;
                    s_.undoToast->show(
                        insertionAnchor(r->snapshot()), r->target, insertion.change,
                        insertion.fieldUnknown,
                        insertion.partial ? UndoToast::partialText() : QString());
                    endRouting(r);
                }));
            });
    });
}

void AppCoordinator::insertAsRecognised(const RoutingPtr& r) {
    s_.quickDictation.finish(Status::failed(tr("KI nicht erreichbar – Originaltext eingefügt")),
                             kFailureShown);
    insertDictated(r, r->text);
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
