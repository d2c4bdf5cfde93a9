#pragma once

#include <QHash>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>

#include "GlobalShortcuts/EventType.h"
#include "GlobalShortcuts/HotKeyRegistry.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

namespace Platform {
class HotKeyGrabber;
class SystemLog;
class UserDefaults;
}  // namespace Platform

namespace GlobalShortcuts {

class EventStream;
class LocalEventMonitor;

// The named global shortcuts: their combinations in the user defaults, the key-down and
// key-up handlers of each name, and which combinations are grabbed from the system. A name
// keeps its handlers when its combination changes; a press runs the handlers of every name
// that stores the pressed combination. Main thread only.
class NamedShortcuts final : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    NamedShortcuts(Platform::UserDefaults& defaults, Platform::HotKeyGrabber& grabber,
                   Platform::SystemLog& log, QObject* parent = nullptr);
    ~NamedShortcuts() override;

    // Stores the name's default when nothing at all is stored under its key yet.
    void create(const Name& name);

    std::optional<Shortcut> getShortcut(const Name& name) const;
    // Stores the combination, or clears it: a name with a default then keeps false, so the
    // default does not come back; a name without one loses its key.
    void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
    void userDefaultsSet(const Name& name, const Shortcut& shortcut);
    bool userDefaultsContains(const Name& name) const;
    void reset(const QList<Name>& names);
    void resetAll();
    // The names that have a key in the user defaults (without their defaults).
    QSet<Name> allNames() const;

    void onKeyDown(const Name& name, Action action);
    void onKeyUp(const Name& name, Action action);
    void removeHandler(const Name& name);
    void removeAllHandlers();
    // Whether the name's stored combination is grabbed: false when none is stored, when the
    // system refused it (another program holds it) and while everything is switched off.
    bool isEnabled(const Name& name) const;
    void enable(const QList<Name>& names);
    void disable(const QList<Name>& names);
    // Owned by `parent` when given, else by the caller.
    EventStream* events(const Name& name, QObject* parent = nullptr);
    EventStream* events(EventType type, const Name& name, QObject* parent = nullptr);

    // While a recorder records no handler runs, and the combinations are given back to the
    // system, so that their keys reach the recorder.
    bool isPaused() const { return paused_; }
    void setRecorderActive(bool active);

    // All hot keys on or off.
    bool isEnabled() const { return registry_.isEnabled(); }
    void setEnabled(bool enabled);

    // The menu whose items the recorder checks for clashes.
    QMenu* mainMenu() const { return mainMenu_; }
    void setMainMenu(QMenu* menu) { mainMenu_ = menu; }

    HotKeyRegistry& registry() { return registry_; }
    QString describe(const Shortcut& shortcut) const { return registry_.describe(shortcut); }
    QKeySequence keySequence(const Shortcut& shortcut) const {
        return shortcut.keySequence(registry_.characterOf());
    }

signals:
    void shortcutByNameDidChange(const GlobalShortcuts::Name& name);
    void recorderActiveStatusDidChange(bool isActive);
    // Whether the system takes the name's stored combination changed (isEnabled(name)).
    void enabledChanged(const GlobalShortcuts::Name& name, bool enabled);

private:
    friend class EventStream;

    void registerName(const Name& name);
    void unregisterName(const Name& name);
    bool usedByAnotherName(const Shortcut& shortcut, const Name& except) const;
    void dispatch(const Shortcut& shortcut, EventType type);
    void endStream(EventStream* stream);
    bool hasStreams(const Name& name) const;
    void remember(const Name& name);
    void refreshEnabled();
    void trackMenu(QObject* receiver, QEvent* event);

    Platform::UserDefaults& defaults_;
    HotKeyRegistry registry_;
    QHash<Name, QList<Action>> keyDownHandlers_;
    QHash<Name, QList<Action>> keyUpHandlers_;
    QHash<Name, QList<EventStream*>> streams_;
    // The combination each name asked the system for; a combination is given back only when
    // no name asks for it any more.
    QHash<Name, Shortcut> registered_;
    QHash<Name, bool> lastEnabled_;
    bool paused_ = false;
    QPointer<QMenu> mainMenu_;
    std::unique_ptr<LocalEventMonitor> menuTracker_;
};

}  // namespace GlobalShortcuts
