#include "App/TrayIcon.h"

#include <QApplication>

#include "Design/BrandMark.h"
#include "Platform/SystemLog.h"

TrayIcon::TrayIcon(Platform::SystemLog& log, std::function<bool()> trayAvailable, QObject* parent)
    : QObject(parent), log_(log), trayAvailable_(std::move(trayAvailable)) {
    menu_.addAction(tr("Beenden"), qApp, &QCoreApplication::quit);
    BrandMark::setTrayIcon(icon_);
    icon_.setToolTip(QStringLiteral("Tavrin"));
    icon_.setContextMenu(&menu_);
}

void TrayIcon::show() {
    icon_.show();
    if (toldNoTray_ || trayAvailable_())
        return;
    toldNoTray_ = true;
    log_.log(noTrayMessage());
}

QString TrayIcon::noTrayMessage() {
    return tr(
        "Tavrin läuft, aber es gibt keine Systemleiste, die sein Symbol zeigen kann. "
        "Sobald eine Systemleiste da ist, erscheint es dort.");
}

QIcon TrayIcon::placeholderIcon() {
    return BrandMark::trayIcon();
}
