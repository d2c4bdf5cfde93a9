#include "App/TrayIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "Platform/SystemLog.h"

TrayIcon::TrayIcon(Platform::SystemLog& log, std::function<bool()> trayAvailable, QObject* parent)
    : QObject(parent), log_(log), trayAvailable_(std::move(trayAvailable)) {
    menu_.addAction(tr("Beenden"), qApp, &QCoreApplication::quit);
    icon_.setIcon(placeholderIcon());
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
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        const qreal inset = size * 0.06;
        shape.addRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), size * 0.24,
                             size * 0.24);
        painter.fillPath(shape, QColor(0x2b, 0x2f, 0x3a));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(qRound(size * 0.62));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("T"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
