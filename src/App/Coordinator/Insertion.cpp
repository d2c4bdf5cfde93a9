// The draft copied or pasted into the target application.

#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "Memory/MemoryStore.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Permissions/PermissionsManager.h"
#include "Settings/SettingsStore.h"

using namespace CoordinatorShared;

namespace {

bool tellNotPasted(Platform::Clipboard* clipboard, UndoToast* toast,
                   const TextInserter::Insertion& insertion, const QString& draft,
                   const std::optional<QRectF>& anchor) {
    // Nothing is known to have gone in. A target that did not take the text in time finds it
    // on the clipboard (and still gets it should it ask). What another program wrote, or what
    // could not be kept, is the user's clipboard and stays: the panel keeps the draft. Where
    // the key could not go out, the draft waits on the clipboard, or, where the clipboard would
    // not take it, in the panel.
    QString notice;
    bool placed = false;
    if (insertion.waiting) {
        placed = true;
        notice = UndoToast::notPastedText();
    } else if (insertion.targetBusy) {
        // An earlier paste key of Tavrin's is still unanswered there: the user pastes by hand.
        placed = putOnClipboard(clipboard, draft);
        notice = placed ? UndoToast::busyText() : UndoToast::notPlacedText();
    } else if (insertion.overwritten) {
        notice = UndoToast::overwrittenText();
    } else if (insertion.unsaved) {
        notice = UndoToast::unsavedText();
    } else {
        placed = putOnClipboard(clipboard, draft);
        notice = placed ? UndoToast::notPastedText() : UndoToast::notPlacedText();
    }
    if (toast)
        toast->tell(anchor, notice);
    return placed;
}

}  // namespace

void AppCoordinator::copyDraft() {
    AssistantSession* s = session_.get();
    if (!s || !s->hasDraft())
        return;
    // Where the clipboard would not take the draft, the panel stays with it and says so:
    // closing would lose the draft while the button claimed it was copied.
    if (!putOnClipboard(s_.clipboard, s->draft())) {
        if (s_.undoToast)
            s_.undoToast->tell(insertionAnchor(s->context()), UndoToast::notCopiedText());
        return;
    }
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
        // The draft is not lost: the user pastes it by hand. Where the clipboard would not
        // take it, the panel keeps showing it rather than point to an empty clipboard.
        if (putOnClipboard(s_.clipboard, draft))
            s->setPhase(AssistantSession::Phase::failed(AssistantProblem::accessibilityMissing()));
        else if (s_.undoToast)
            s_.undoToast->tell(insertionAnchor(s->context()), UndoToast::notPlacedText());
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
    const bool close = settings.closePanelAfterInsert;
    // The session outlives the hidden panel until the paste is known: a draft that went
    // nowhere comes back in the panel.
    s_.panel.hide();
    if (!s_.inserter) {
        if (close)
            dismiss();
        return;
    }

    auto task = std::make_shared<CoreTask>();
    pastes_.push_back(task);
    std::weak_ptr<CoreTask> weak = task;
    s_.inserter->insert(
        draft, target, settings.sendAfterInsert,
        [this, weak, inserted, draft, anchor, target, settings,
         close](const TextInserter::Insertion& insertion) {
            // After the wait for the paste: the panel is hidden, so only the coordinator's
            // end drops what follows; the panel comes back or closes only for the very
            // session that was hidden.
            if (!isAlive(weak))
                return;
            // A text that waits for its target keeps the task for the word that it arrived.
            if (!insertion.waiting)
                forget(pastes_, weak);
            bool placed = insertion.pasted;
            if (!placed)
                placed = tellNotPasted(s_.clipboard, s_.undoToast, insertion, draft, anchor);
            else
                tellPasted(insertion, anchor, target, settings);
            if (!inserted || inserted != session_.get())
                return;
            // A draft that went in only in part stays in the panel: the rest is not lost.
            if (placed && close && !insertion.partial)
                dismiss();
            else
                s_.panel.show(*inserted, *this, pressTime_);
        },
        [this, weak, anchor, target, settings](const TextInserter::Insertion& insertion) {
            // A target that took the text only after the user was told it had not: the user
            // learns it did, beside the field, with an undo only where it can be checked. A
            // text offered no longer (a later one took its place, or the user copied) ends the
            // wait without a word: the user was told it had not gone in.
            if (!isAlive(weak))
                return;
            forget(pastes_, weak);
            if (!s_.undoToast || !insertion.pasted)
                return;
            const bool undo = settings.undoAfterInsert && !settings.sendAfterInsert;
            s_.undoToast->show(anchor, target, undo ? insertion.change : std::nullopt,
                               !undo || !insertion.change,
                               insertion.partial ? UndoToast::partialText() : QString());
        });
}

void AppCoordinator::tellPasted(const TextInserter::Insertion& insertion,
                                const std::optional<QRectF>& anchor,
                                const std::optional<Platform::RunningApplication>& target,
                                const AssistantSettings& settings) {
    if (!s_.undoToast)
        return;
    // Not all of it, or not sent: said even where no undo is asked for.
    if (insertion.partial) {
        const bool undo = settings.undoAfterInsert && !settings.sendAfterInsert;
        s_.undoToast->show(anchor, target, undo ? insertion.change : std::nullopt,
                           !undo || !insertion.change, UndoToast::partialText());
    } else if (insertion.returnWithheld) {
        s_.undoToast->tell(anchor, insertion.returnUnseen ? UndoToast::notSentUnseenText()
                                                          : UndoToast::notSentText());
    } else if (settings.undoAfterInsert && !settings.sendAfterInsert) {
        s_.undoToast->show(anchor, target, insertion.change, insertion.fieldUnknown);
    }
}
