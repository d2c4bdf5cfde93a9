// The main shortcut's press, hold and release, and the keys the panel hands over: Escape
// and push-to-talk.

#include <QKeyEvent>

#include "App/AppCoordinator.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"
#include "Voice/QuickDictationController.h"

namespace {

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

}  // namespace

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
    pressPanelWasKey_ = s_.panel.isKey();
    fieldPrefetch_ = s_.panel.isShown() ? std::nullopt : s_.context.prefetchField();

    const AssistantSettings settings = s_.settings.settings();
    if (!settings.dictationEnabled || !settings.holdToDictate)
        return;
    if (!s_.permissions.microphone())
        return;
    const bool panelWasKey = pressPanelWasKey_;

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
        listen(true);
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
        // With the right Alt key held, the window manager would take Escape for its own
        // Alt+Escape, and the dictation could not be dropped.
        s_.panel.holdKeys();
        listen(true);
    } else if (!down && pushToTalkActive_) {
        pushToTalkActive_ = false;
        s_.panel.releaseKeys();
        finishListening(true);
    }
    return true;
}
