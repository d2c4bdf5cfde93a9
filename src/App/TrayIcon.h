#pragma once

#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>

namespace Platform {
class SystemLog;
}

// The tray icon with its menu.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    // `trayAvailable` tells whether a system tray can show the icon now.
    explicit TrayIcon(Platform::SystemLog& log,
                      std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                      QObject* parent = nullptr);

    // Shows the icon. Without a system tray nothing would show and the user could not tell
    // that Tavrin runs: that is said once, in the log. The icon appears by itself when a tray
    // starts later.
    void show();

    // What the user is told when no system tray can show the icon.
    static QString noTrayMessage();

    // A placeholder mark drawn in code.
    static QIcon placeholderIcon();

    // The icon's menu, for the core to fill.
    QMenu& menu() { return menu_; }

private:
    Platform::SystemLog& log_;
    std::function<bool()> trayAvailable_;
    bool toldNoTray_ = false;
    QMenu menu_;
    QSystemTrayIcon icon_;
};
