#pragma once

#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <utility>
#include <vector>

class SettingsStore;
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
    // Shows the icon exactly while the setting "Symbol in der Systemleiste" is on: now, and
    // whenever the setting changes.
    void followSetting(SettingsStore& store);
    bool isShown() const { return icon_.isVisible(); }
    // The menu is all the icon offers: a left click opens it as a right click does.
    void openMenu();

    // Runs `work` (on `context`'s thread, unless `context` is gone) once the first window of
    // the program has been painted, the icon in the normal case, so that work which can wait
    // does not hold it up: at once without a tray or with the icon turned off, and after a
    // second at the latest.
    void afterShown(QObject* context, std::function<void()> work);

    // Shows `text` as the icon's message, where the user looks when something needs them;
    // without an icon on the screen (no tray, or the icon turned off) it goes to standard
    // error instead.
    void showNotice(const QString& text);
    static void printNotice(const QString& text);

    // What the user is told when no system tray can show the icon.
    static QString noTrayMessage();

    // A placeholder mark drawn in code.
    static QIcon placeholderIcon();

    // The icon's menu, for the core to fill.
    QMenu& menu() { return menu_; }
    QSystemTrayIcon& icon() { return icon_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runAfterShown();

    Platform::SystemLog& log_;
    std::function<bool()> trayAvailable_;
    bool toldNoTray_ = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> afterShown_;
    QMenu menu_;
    QSystemTrayIcon icon_;
};
