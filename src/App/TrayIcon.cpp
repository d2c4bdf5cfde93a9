#include "App/TrayIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "Design/BrandMark.h"

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    menu_.addAction(tr("Beenden"), qApp, &QCoreApplication::quit);
    BrandMark::setTrayIcon(icon_);
    icon_.setToolTip(QStringLiteral("Tavrin"));
    icon_.setContextMenu(&menu_);
}

QIcon TrayIcon::placeholderIcon() {
    return BrandMark::trayIcon();
}
