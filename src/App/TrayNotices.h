#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "Platform/UserNotices.h"

class TrayIcon;

// The notices of the stores (a change that could not be saved, a file that could not be
// read), shown as the tray icon's message, else on standard error. The stores tell them while
// they load, before any icon exists: those wait until the icon is on the screen. Notices told
// within one turn of the event loop (settings and memory failing on the same full disk) become
// one message, since a second message would replace the first.
class TrayNotices final : public QObject, public Platform::UserNotices {
    Q_OBJECT

public:
    explicit TrayNotices(QObject* parent = nullptr);

    void tell(const QString& text) override;
    // From now on notices go to `tray`; what waited is shown at once.
    void showThrough(TrayIcon& tray);

private:
    void showPending();

    QPointer<TrayIcon> tray_;
    bool ready_ = false;
    bool scheduled_ = false;
    QStringList pending_;
};
