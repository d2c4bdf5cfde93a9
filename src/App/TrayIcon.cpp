#include "App/TrayIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "Design/BrandMark.h"
#include "Design/Theme.h"

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    menu_.addAction(tr("Beenden"), qApp, &QCoreApplication::quit);
    icon_.setIcon(placeholderIcon());
    icon_.setToolTip(QStringLiteral("Tavrin"));
    icon_.setContextMenu(&menu_);
    // The mark takes the colour of the desktop's appearance; a tray keeps the image it got.
    if (Theme* theme = Theme::current())
        connect(theme, &Theme::changed, this, [this] { icon_.setIcon(placeholderIcon()); });
}

QIcon TrayIcon::placeholderIcon() {
    return BrandMark::trayIcon();
}
