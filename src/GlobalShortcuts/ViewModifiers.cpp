#include "GlobalShortcuts/ViewModifiers.h"

#include <QShortcut>

#include "GlobalShortcuts/EventStream.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/ShortcutBinding.h"

namespace GlobalShortcuts::ViewModifiers {

void onKeyboardShortcut(QObject* owner, NamedShortcuts& shortcuts, const Name& name,
                        std::function<void(EventType)> perform) {
    EventStream* stream = shortcuts.events(name, owner);
    QObject::connect(stream, &EventStream::event, stream, std::move(perform));
}

void onKeyboardShortcut(QObject* owner, NamedShortcuts& shortcuts, const Name& name, EventType type,
                        std::function<void()> perform) {
    EventStream* stream = shortcuts.events(type, name, owner);
    QObject::connect(stream, &EventStream::event, stream,
                     [perform = std::move(perform)](EventType) { perform(); });
}

void globalKeyboardShortcut(QShortcut* shortcut, NamedShortcuts& shortcuts, const Name& name) {
    delete shortcut->findChild<ShortcutBinding*>(QString(), Qt::FindDirectChildrenOnly);
    new ShortcutBinding(
        shortcuts, name, [shortcut](const QKeySequence& sequence) { shortcut->setKey(sequence); },
        shortcut);
}

}  // namespace GlobalShortcuts::ViewModifiers
