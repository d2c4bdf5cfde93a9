#pragma once

#include <QHash>
#include <QObject>
#include <functional>
#include <map>
#include <memory>

#include "GlobalShortcuts/Shortcut.h"
#include "Platform/HotKeyGrabber.h"

namespace Platform {
class SystemLog;
}

namespace GlobalShortcuts {

class LocalEventMonitor;

// The system-wide side of the shortcuts: one entry per combination the system accepted,
// each with its press and release callbacks. While a menu of ours is open it holds the keys
// of the menu's keyboard grab, so the grabs are given back and the menu's own key events are
// matched instead. While a recorder of ours listens the grabs are given back too: a grabbed
// key never reaches a window, and the user may be recording one of our own combinations for
// another name. While switched off nothing is grabbed. Main thread only.
class HotKeyRegistry final : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const Shortcut&)>;

    HotKeyRegistry(Platform::HotKeyGrabber& grabber, Platform::SystemLog& log,
                   QObject* parent = nullptr);
    ~HotKeyRegistry() override;

    // True when the system accepted the combination. A refusal is written to the log given at
    // construction (the program gives standard output, where the line keeps this form) as
    // "Error registering hotkey <description>: <status>" with the grabber's status
    // (-1 no keyboard server, -2 unknown key, -3 Function, -10 held by another program).
    bool registerShortcut(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp);
    // Removes every entry of the combination.
    void unregisterShortcut(const Shortcut& shortcut);
    // Whether an entry of the combination exists, that is the system accepted it.
    bool isRegistered(const Shortcut& shortcut) const;

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isMenuOpen() const { return menuOpen_; }
    void setMenuOpen(bool open);
    bool isRecorderListening() const { return recorderListening_; }
    void setRecorderListening(bool listening);

    // Whether the system or another program keeps the combination for itself.
    bool isSystemShortcut(const Shortcut& shortcut);

    QString describe(const Shortcut& shortcut) const;
    CharacterOf characterOf() const;
    KeyCodeOfScanCode keyCodeOfScanCode() const;

signals:
    // An entry came or went: the system's acceptance of a combination may differ now.
    void registrationsChanged();
    // Another key pressed while a combination of ours is down, which the system then hands to
    // us rather than to the focused window (positional key code).
    void otherKeyPressed(int keyCode);

private:
    struct HotKey {
        Shortcut shortcut;
        bool live = false;
        Callback onKeyDown;
        Callback onKeyUp;
    };

    // Whether the accepted combinations are to be held at the server now.
    bool holdsGrabs() const { return enabled_ && !menuOpen_ && !recorderListening_; }
    void updateGrabs();
    void softRegisterAll();
    void takeBackAll();
    void stopMenuKeys();
    Platform::HotKeyGrabber::Status grab(quint32 id, const Shortcut& shortcut);
    void reportRefusal(const Shortcut& shortcut, Platform::HotKeyGrabber::Status status);
    void handle(quint32 id, bool press);
    bool handleMenuKey(QEvent* event);
    void regrabbed(quint32 id, Platform::HotKeyGrabber::Status status);

    Platform::HotKeyGrabber& grabber_;
    Platform::SystemLog& log_;
    quint32 lastId_ = 0;
    std::map<quint32, HotKey> hotKeys_;
    bool enabled_ = true;
    bool menuOpen_ = false;
    bool recorderListening_ = false;
    std::unique_ptr<LocalEventMonitor> menuKeys_;
    // Keys pressed in a menu that matched an entry, by key code, until their release.
    QHash<int, quint32> menuKeysDown_;
};

}  // namespace GlobalShortcuts
