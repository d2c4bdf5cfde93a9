#include "App/TrayNotices.h"

#include <QTimer>

#include "App/TrayIcon.h"

TrayNotices::TrayNotices(QObject* parent) : QObject(parent) {}

void TrayNotices::tell(const QString& text) {
    pending_.append(text);
    if (!ready_ || scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, &TrayNotices::showPending);
}

void TrayNotices::showThrough(TrayIcon& tray) {
    tray_ = &tray;
    ready_ = true;
    showPending();
}

void TrayNotices::showPending() {
    scheduled_ = false;
    if (pending_.isEmpty())
        return;
    const QString text = pending_.join(QStringLiteral("\n\n"));
    pending_.clear();
    if (tray_)
        tray_->showNotice(text);
    else
        TrayIcon::printNotice(text);
}
