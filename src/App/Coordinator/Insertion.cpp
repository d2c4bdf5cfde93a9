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
            forget(pastes_, weak);
            bool placed = insertion.pasted;
            if (!placed) {
                // Nothing is known to have gone in: the draft waits on the clipboard, which
                // may have held another program's text, and the user learns it beside the
                // field. A target that did not fetch it in time finds it there already (and
                // still gets it should it ask). Where the clipboard would not take it, the
                // panel keeps it.
                placed = insertion.waiting || putOnClipboard(s_.clipboard, draft);
                if (s_.undoToast) {
                    s_.undoToast->tell(
                        anchor, placed ? UndoToast::notPastedText() : UndoToast::notPlacedText());
                }
            } else if (settings.undoAfterInsert && !settings.sendAfterInsert && s_.undoToast) {
                s_.undoToast->show(anchor, target, insertion.change, insertion.fieldUnknown);
            }
            if (!inserted || inserted != session_.get())
                return;
            if (placed && close)
                dismiss();
            else
                s_.panel.show(*inserted, *this, pressTime_);
        });
}
