#include "GlobalShortcuts/NamedShortcuts.h"

#include <QApplication>
#include <QWidget>

#include "GlobalShortcuts/EventStream.h"
#include "GlobalShortcuts/LocalEventMonitor.h"
#include "Platform/UserDefaults.h"

namespace GlobalShortcuts {

namespace {

const QString storagePrefix = QStringLiteral("GlobalShortcuts_");

// Menus, but also the lists of combo boxes and completers: every popup of ours grabs the
// keyboard while it is open.
bool isPopup(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->windowType() == Qt::Popup;
}

bool anyPopupVisibleBut(const QObject* hidden) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* window : windows) {
        if (window != hidden && isPopup(window) && window->isVisible())
            return true;
    }
    return false;
}

}  // namespace

NamedShortcuts::NamedShortcuts(Platform::UserDefaults& defaults, Platform::HotKeyGrabber& grabber,
                               Platform::SystemLog& log, QObject* parent)
    : QObject(parent), defaults_(defaults), registry_(grabber, log) {
    connect(&registry_, &HotKeyRegistry::registrationsChanged, this,
            &NamedShortcuts::refreshEnabled);
    // A menu of ours holds the keyboard while it is open; the registry has to know.
    menuTracker_ = std::make_unique<LocalEventMonitor>(
        QSet<QEvent::Type>{QEvent::Show, QEvent::Hide}, [this](QObject* receiver, QEvent* event) {
            trackMenu(receiver, event);
            return false;
        });
    menuTracker_->start();
}

NamedShortcuts::~NamedShortcuts() {
    // Streams may outlive us; they must not call back.
    for (const QList<EventStream*>& streams : std::as_const(streams_)) {
        for (EventStream* stream : streams)
            stream->owner_.clear();
    }
}

void NamedShortcuts::trackMenu(QObject* receiver, QEvent* event) {
    if (!isPopup(receiver))
        return;
    registry_.setMenuOpen(event->type() == QEvent::Show || anyPopupVisibleBut(receiver));
}

void NamedShortcuts::create(const Name& name) {
    remember(name);
    if (name.defaultShortcut && !userDefaultsContains(name))
        userDefaultsSet(name, *name.defaultShortcut);
}

std::optional<Shortcut> NamedShortcuts::getShortcut(const Name& name) const {
    const QVariant value = defaults_.value(name.storageKey());
    // The removed state is a boolean false, which an INI file gives back as the text
    // "false": neither decodes.
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return Shortcut::fromJson(value.toString().toUtf8());
}

void NamedShortcuts::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) {
        userDefaultsSet(name, *shortcut);
        return;
    }
    if (!getShortcut(name))
        return;
    remember(name);
    if (name.defaultShortcut)
        defaults_.setValue(name.storageKey(), false);
    else
        defaults_.remove(name.storageKey());
    unregisterName(name);
    emit shortcutByNameDidChange(name);
    refreshEnabled();
}

void NamedShortcuts::userDefaultsSet(const Name& name, const Shortcut& shortcut) {
    remember(name);
    // Storing again gives the system a second chance at a combination it refused.
    unregisterName(name);
    defaults_.setValue(name.storageKey(), QString::fromUtf8(shortcut.toJson()));
    registerName(name);
    emit shortcutByNameDidChange(name);
    refreshEnabled();
}

bool NamedShortcuts::userDefaultsContains(const Name& name) const {
    return defaults_.contains(name.storageKey());
}

void NamedShortcuts::reset(const QList<Name>& names) {
    for (const Name& name : names)
        setShortcut(name.defaultShortcut, name);
}

void NamedShortcuts::resetAll() {
    const QSet<Name> names = allNames();
    reset(QList<Name>(names.begin(), names.end()));
}

QSet<Name> NamedShortcuts::allNames() const {
    QSet<Name> names;
    const QStringList keys = defaults_.keys();
    for (const QString& key : keys) {
        if (key.startsWith(storagePrefix))
            names.insert(Name(key.mid(storagePrefix.size())));
    }
    return names;
}

void NamedShortcuts::onKeyDown(const Name& name, Action action) {
    remember(name);
    keyDownHandlers_[name].append(std::move(action));
    registerName(name);
    refreshEnabled();
}

void NamedShortcuts::onKeyUp(const Name& name, Action action) {
    remember(name);
    keyUpHandlers_[name].append(std::move(action));
    registerName(name);
    refreshEnabled();
}

void NamedShortcuts::removeHandler(const Name& name) {
    keyDownHandlers_.remove(name);
    keyUpHandlers_.remove(name);
    if (!hasStreams(name))
        unregisterName(name);
    refreshEnabled();
}

void NamedShortcuts::removeAllHandlers() {
    QSet<Name> names;
    for (auto it = keyDownHandlers_.cbegin(); it != keyDownHandlers_.cend(); ++it)
        names.insert(it.key());
    for (auto it = keyUpHandlers_.cbegin(); it != keyUpHandlers_.cend(); ++it)
        names.insert(it.key());
    keyDownHandlers_.clear();
    keyUpHandlers_.clear();
    for (const Name& name : std::as_const(names)) {
        if (!hasStreams(name))
            unregisterName(name);
    }
    refreshEnabled();
}

bool NamedShortcuts::isEnabled(const Name& name) const {
    if (!registry_.isEnabled())
        return false;
    const auto stored = getShortcut(name);
    if (!stored)
        return false;
    const auto registered = registered_.constFind(name);
    return registered != registered_.constEnd() && *registered == *stored &&
           registry_.isRegistered(*stored);
}

void NamedShortcuts::enable(const QList<Name>& names) {
    for (const Name& name : names) {
        remember(name);
        registerName(name);
    }
    refreshEnabled();
}

void NamedShortcuts::disable(const QList<Name>& names) {
    for (const Name& name : names)
        unregisterName(name);
    refreshEnabled();
}

EventStream* NamedShortcuts::events(const Name& name, QObject* parent) {
    auto* stream = new EventStream(*this, name, std::nullopt, parent);
    remember(name);
    streams_[name].append(stream);
    registerName(name);
    refreshEnabled();
    return stream;
}

EventStream* NamedShortcuts::events(EventType type, const Name& name, QObject* parent) {
    auto* stream = new EventStream(*this, name, type, parent);
    remember(name);
    streams_[name].append(stream);
    registerName(name);
    refreshEnabled();
    return stream;
}

void NamedShortcuts::endStream(EventStream* stream) {
    const Name& name = stream->name();
    auto streams = streams_.find(name);
    if (streams == streams_.end())
        return;
    streams->removeAll(stream);
    if (streams->isEmpty())
        streams_.erase(streams);
    if (!keyDownHandlers_.contains(name) && !keyUpHandlers_.contains(name) && !hasStreams(name))
        unregisterName(name);
    refreshEnabled();
}

bool NamedShortcuts::hasStreams(const Name& name) const {
    return !streams_.value(name).isEmpty();
}

void NamedShortcuts::setRecorderActive(bool active) {
    paused_ = active;
    // Our own grabs would take the recorder's keys before its window sees them.
    registry_.setRecorderListening(active);
    emit recorderActiveStatusDidChange(active);
}

void NamedShortcuts::setEnabled(bool enabled) {
    registry_.setEnabled(enabled);
    refreshEnabled();
}

void NamedShortcuts::registerName(const Name& name) {
    const auto stored = getShortcut(name);
    if (!stored)
        return;
    const auto registered = registered_.constFind(name);
    // Asked for once; a refusal is not retried until the name's value is stored again.
    if (registered != registered_.constEnd() && *registered == *stored)
        return;
    unregisterName(name);
    registered_.insert(name, *stored);
    if (registry_.isRegistered(*stored))
        return;
    registry_.registerShortcut(
        *stored, [this](const Shortcut& shortcut) { dispatch(shortcut, EventType::KeyDown); },
        [this](const Shortcut& shortcut) { dispatch(shortcut, EventType::KeyUp); });
}

void NamedShortcuts::unregisterName(const Name& name) {
    const auto registered = registered_.constFind(name);
    if (registered == registered_.constEnd())
        return;
    const Shortcut shortcut = *registered;
    registered_.erase(registered);
    if (!usedByAnotherName(shortcut, name))
        registry_.unregisterShortcut(shortcut);
}

bool NamedShortcuts::usedByAnotherName(const Shortcut& shortcut, const Name& except) const {
    for (auto it = registered_.cbegin(); it != registered_.cend(); ++it) {
        if (it.value() == shortcut && !(it.key() == except))
            return true;
    }
    return false;
}

void NamedShortcuts::dispatch(const Shortcut& shortcut, EventType type) {
    if (paused_)
        return;
    // A name runs only while it holds the combination: one that shares it with another name
    // but was disabled stays quiet, though the combination is still grabbed for the other.
    const auto takes = [this, &shortcut](const Name& name) {
        const auto registered = registered_.constFind(name);
        return registered != registered_.constEnd() && *registered == shortcut &&
               getShortcut(name) == shortcut;
    };
    // Copies: a handler may add or remove handlers and streams.
    const auto handlers = type == EventType::KeyDown ? keyDownHandlers_ : keyUpHandlers_;
    for (auto it = handlers.cbegin(); it != handlers.cend(); ++it) {
        if (!takes(it.key()))
            continue;
        for (const Action& action : it.value())
            action();
    }
    QList<QPointer<EventStream>> streams;
    for (auto it = streams_.cbegin(); it != streams_.cend(); ++it) {
        if (!takes(it.key()))
            continue;
        for (EventStream* stream : it.value())
            streams.append(stream);
    }
    for (const QPointer<EventStream>& stream : std::as_const(streams)) {
        if (stream)
            stream->deliver(type);
    }
}

void NamedShortcuts::remember(const Name& name) {
    if (!lastEnabled_.contains(name))
        lastEnabled_.insert(name, false);
}

void NamedShortcuts::refreshEnabled() {
    for (auto it = lastEnabled_.begin(); it != lastEnabled_.end(); ++it) {
        const bool enabled = isEnabled(it.key());
        if (enabled == it.value())
            continue;
        it.value() = enabled;
        emit enabledChanged(it.key(), enabled);
    }
}

}  // namespace GlobalShortcuts
