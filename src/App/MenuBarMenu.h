#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>

#include "App/MenuBarItem.h"

class MenuBarOperations;
class QMenu;

// Fills the tray icon's menu from the item model. Each time the menu is about to open it
// asks for fresh permission and sign-in states and rebuilds; the core calls rebuild() when a
// state changes while it is open, so the items follow without reopening.
class MenuBarMenu final : public QObject {
    Q_OBJECT

public:
    MenuBarMenu(MenuBarOperations& operations, QMenu& menu, QObject* parent = nullptr);

    void rebuild();

    // The small drawn images of the items (the coloured dots of the permissions).
    static QIcon icon(MenuBarItem::Icon icon, const QMenu& menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dimItemsThatAreOff();

    MenuBarOperations& operations_;
    QPointer<QMenu> menu_;
};
