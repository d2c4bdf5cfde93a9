#include "GlobalShortcuts/HotKeyRegistry.h"

#include <QKeyEvent>

#include "GlobalShortcuts/LocalEventMonitor.h"
#include "Platform/SystemLog.h"

namespace GlobalShortcuts {

using Status = Platform::HotKeyGrabber::Status;

HotKeyRegistry::HotKeyRegistry(Platform::HotKeyGrabber& grabber, Platform::SystemLog& log,
                               QObject* parent)
    : QObject(parent), grabber_(grabber), log_(log) {
    connect(&grabber_, &Platform::HotKeyGrabber::pressed, this,
            [this](quint32 id) { handle(id, true); });
    connect(&grabber_, &Platform::HotKeyGrabber::released, this,
            [this](quint32 id) { handle(id, false); });
    connect(&grabber_, &Platform::HotKeyGrabber::regrabbed, this, &HotKeyRegistry::regrabbed);
    connect(&grabber_, &Platform::HotKeyGrabber::otherKeyPressed, this,
            &HotKeyRegistry::otherKeyPressed);
}

HotKeyRegistry::~HotKeyRegistry() {
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey.live)
            grabber_.release(id);
    }
}

Status HotKeyRegistry::grab(quint32 id, const Shortcut& shortcut) {
    // Keys outside the table are refused before they reach the keyboard server.
    if (!Key::isKnown(shortcut.carbonKeyCode))
        return Status::UnknownKey;
    return grabber_.grab(id, shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

void HotKeyRegistry::reportRefusal(const Shortcut& shortcut, Status status) {
    log_.log(
        QStringLiteral("Error registering hotkey %1: %2").arg(describe(shortcut)).arg(int(status)));
}

bool HotKeyRegistry::registerShortcut(const Shortcut& shortcut, Callback onKeyDown,
                                      Callback onKeyUp) {
    // Ids are never reused, so a late event of a removed entry finds nothing.
    const quint32 id = ++lastId_;
    const Status status = grab(id, shortcut);
    if (status != Status::Accepted) {
        reportRefusal(shortcut, status);
        return false;
    }
    hotKeys_[id] = HotKey{shortcut, true, std::move(onKeyDown), std::move(onKeyUp)};
    // The grab told us whether the system accepts the combination; while switched off, while
    // a menu is open or while a recorder listens it must not fire yet.
    if (!holdsGrabs()) {
        grabber_.release(id);
        hotKeys_[id].live = false;
    }
    emit registrationsChanged();
    return true;
}

void HotKeyRegistry::unregisterShortcut(const Shortcut& shortcut) {
    bool removed = false;
    for (auto entry = hotKeys_.begin(); entry != hotKeys_.end();) {
        if (entry->second.shortcut != shortcut) {
            ++entry;
            continue;
        }
        grabber_.release(entry->first);
        entry = hotKeys_.erase(entry);
        removed = true;
    }
    if (removed)
        emit registrationsChanged();
}

bool HotKeyRegistry::isRegistered(const Shortcut& shortcut) const {
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey.shortcut == shortcut)
            return true;
    }
    return false;
}

void HotKeyRegistry::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    updateGrabs();
}

void HotKeyRegistry::setMenuOpen(bool open) {
    if (menuOpen_ == open)
        return;
    menuOpen_ = open;
    updateGrabs();
}

void HotKeyRegistry::setRecorderListening(bool listening) {
    if (recorderListening_ == listening)
        return;
    recorderListening_ = listening;
    updateGrabs();
}

void HotKeyRegistry::updateGrabs() {
    if (holdsGrabs()) {
        softRegisterAll();
        stopMenuKeys();
        return;
    }
    takeBackAll();
    const bool menuKeysWanted = enabled_ && menuOpen_;
    if (menuKeysWanted && !menuKeys_) {
        menuKeys_ = std::make_unique<LocalEventMonitor>(
            QSet<QEvent::Type>{QEvent::KeyPress, QEvent::KeyRelease},
            [this](QObject*, QEvent* event) { return handleMenuKey(event); });
        menuKeys_->start();
    } else if (!menuKeysWanted) {
        stopMenuKeys();
    }
}

// A key handler may close the menu while the monitor is still calling it: it goes later.
void HotKeyRegistry::stopMenuKeys() {
    if (menuKeys_)
        menuKeys_.release()->deleteLater();
    // Their releases will go past us now; a hold that never ends would be worse than one
    // that ends with the menu.
    const QHash<int, quint32> down = std::exchange(menuKeysDown_, {});
    for (const quint32 id : down) {
        const auto hotKey = hotKeys_.find(id);
        if (hotKey == hotKeys_.end())
            continue;
        const HotKey copy = hotKey->second;
        copy.onKeyUp(copy.shortcut);
    }
}

void HotKeyRegistry::softRegisterAll() {
    bool removed = false;
    const auto snapshot = hotKeys_;
    for (const auto& [id, hotKey] : snapshot) {
        if (hotKey.live)
            continue;
        const Status status = grab(id, hotKey.shortcut);
        if (status == Status::Accepted) {
            hotKeys_[id].live = true;
            continue;
        }
        // Someone took the combination while we had given it back.
        reportRefusal(hotKey.shortcut, status);
        hotKeys_.erase(id);
        removed = true;
    }
    if (removed)
        emit registrationsChanged();
}

void HotKeyRegistry::takeBackAll() {
    for (auto& [id, hotKey] : hotKeys_) {
        if (!hotKey.live)
            continue;
        grabber_.release(id);
        hotKey.live = false;
    }
}

void HotKeyRegistry::handle(quint32 id, bool press) {
    const auto found = hotKeys_.find(id);
    if (found == hotKeys_.end())
        return;
    // A copy: the callbacks may change the table.
    const HotKey hotKey = found->second;
    if (press)
        hotKey.onKeyDown(hotKey.shortcut);
    else
        hotKey.onKeyUp(hotKey.shortcut);
}

bool HotKeyRegistry::handleMenuKey(QEvent* event) {
    // Held keys repeat; the menu may have those.
    if (static_cast<QKeyEvent*>(event)->isAutoRepeat())
        return false;
    const auto shortcut = Shortcut::fromEvent(*event, keyCodeOfScanCode());
    if (!shortcut)
        return false;
    if (event->type() == QEvent::KeyRelease) {
        // By key alone: the modifiers may have been let go first.
        const auto down = menuKeysDown_.constFind(shortcut->carbonKeyCode);
        if (down == menuKeysDown_.constEnd())
            return false;
        const quint32 id = *down;
        menuKeysDown_.erase(down);
        const auto hotKey = hotKeys_.find(id);
        if (hotKey != hotKeys_.end()) {
            const HotKey copy = hotKey->second;
            copy.onKeyUp(copy.shortcut);
        }
        return true;
    }
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey.shortcut != *shortcut)
            continue;
        menuKeysDown_.insert(shortcut->carbonKeyCode, id);
        const HotKey copy = hotKey;
        copy.onKeyDown(copy.shortcut);
        return true;
    }
    return false;
}

void HotKeyRegistry::regrabbed(quint32 id, Status status) {
    const auto found = hotKeys_.find(id);
    if (found == hotKeys_.end() || status == Status::Accepted)
        return;
    reportRefusal(found->second.shortcut, status);
    hotKeys_.erase(found);
    emit registrationsChanged();
}

bool HotKeyRegistry::isSystemShortcut(const Shortcut& shortcut) {
    return grabber_.isReserved(shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

QString HotKeyRegistry::describe(const Shortcut& shortcut) const {
    return shortcut.presentableDescription(characterOf());
}

CharacterOf HotKeyRegistry::characterOf() const {
    return [grabber = &grabber_](int keyCode) { return grabber->character(keyCode); };
}

KeyCodeOfScanCode HotKeyRegistry::keyCodeOfScanCode() const {
    return [grabber = &grabber_](quint32 scanCode) { return grabber->keyCodeOfScanCode(scanCode); };
}

}  // namespace GlobalShortcuts
