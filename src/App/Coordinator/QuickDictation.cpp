// Quick dictation from either shortcut: the dictate-only key, the display while a key is
// held and the start of a routing once a key is up.

#include <QCoreApplication>

#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "Permissions/PermissionsManager.h"
#include "Settings/SettingsStore.h"
#include "Voice/QuickDictationController.h"

using namespace CoordinatorShared;

namespace {

constexpr milliseconds kEmptyShown{1200};

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
    r->releasedAt = s_.clock.monotonic();
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
