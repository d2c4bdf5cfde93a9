#include "GlobalShortcuts/MenuItemShortcut.h"

#include <QAction>
#include <QMenu>

#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/ShortcutBinding.h"

namespace GlobalShortcuts::MenuItemShortcut {

void setShortcut(QAction* action, const std::optional<Shortcut>& shortcut,
                 const NamedShortcuts& shortcuts) {
    action->setShortcut(shortcut ? shortcuts.keySequence(*shortcut) : QKeySequence());
}

void setShortcut(QAction* action, const std::optional<Name>& name, NamedShortcuts& shortcuts) {
    // The old binding goes first, or the action would follow both names.
    delete action->findChild<ShortcutBinding*>(QString(), Qt::FindDirectChildrenOnly);
    if (!name) {
        action->setShortcut(QKeySequence());
        return;
    }
    new ShortcutBinding(
        shortcuts, *name, [action](const QKeySequence& sequence) { action->setShortcut(sequence); },
        action);
}

QAction* itemWithMatchingShortcut(const QMenu& menu, const Shortcut& shortcut,
                                  const NamedShortcuts& shortcuts) {
    const QKeySequence sequence = shortcuts.keySequence(shortcut);
    if (sequence.isEmpty())
        return nullptr;
    const QList<QAction*> actions = menu.actions();
    for (QAction* action : actions) {
        const QList<QKeySequence> own = action->shortcuts();
        if (own.contains(sequence))
            return action;
        if (const QMenu* submenu = action->menu()) {
            if (QAction* found = itemWithMatchingShortcut(*submenu, shortcut, shortcuts))
                return found;
        }
    }
    return nullptr;
}

}  // namespace GlobalShortcuts::MenuItemShortcut
