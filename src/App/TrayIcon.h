#pragma once

#include <QMenu>
#include <QSystemTrayIcon>

// The tray icon with its menu.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    void show() { icon_.show(); }

    // A placeholder mark drawn in code.
    static QIcon placeholderIcon();

private:
    QMenu menu_;
    QSystemTrayIcon icon_;
};
