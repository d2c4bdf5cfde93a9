#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "App/AppCoordinator.h"
#include "App/DesktopApplication.h"
#include "App/MenuBarMenu.h"
#include "App/QtTranslations.h"
#include "App/SingleInstance.h"
#include "App/TrayIcon.h"
#include "Design/BrandMark.h"
#include "Design/Theme.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/AppPaths.h"
#include "Platform/ChildProcess.h"
#include "Platform/linux/PortalAppearance.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/QuitSignals.h"
#include "Platform/linux/StderrSystemLog.h"
#include "Platform/linux/X11Display.h"

namespace {

void fail(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// Tavrin lives in an X11 session. Qt aborts without a display; say why in German instead.
// Another Qt platform chosen on purpose (offscreen, in tests) is left alone.
bool checkDisplay() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        fail(QStringLiteral(
            "Tavrin braucht eine X11-Sitzung: Es ist keine Anzeige gesetzt (DISPLAY ist leer)."));
        return false;
    }
    if (!Platform::X11Display::canConnect(display)) {
        fail(QStringLiteral("Tavrin braucht eine X11-Sitzung: Die Anzeige „%1“ ist nicht "
                            "erreichbar.")
                 .arg(display));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // A logout or a service stop ends Tavrin as its "Beenden" does, from the first moment.
    Platform::QuitSignals::catchEarly();
    // A tool that exits while we still write to it must not end Tavrin; writes report EPIPE.
    Platform::ChildProcess::ignoreBrokenPipes();
    // Before Qt starts, so that its first warnings are log lines too.
    Platform::StderrSystemLog::takeQtMessages();
    if (!checkDisplay())
        return 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QApplication::setDesktopFileName(Platform::AppPaths::applicationId());
    QApplication::setQuitOnLastWindowClosed(false);
    QtTranslations::installGerman(app);

    Platform::StderrSystemLog log;
    // Only a missing home stops Tavrin. A data folder that cannot be made (a read-only data
    // home, say) is no reason not to start: each save then fails and says why.
    if (!Platform::AppPaths::dataHome()) {
        fail(QStringLiteral(
            "Tavrin kann seinen Datenordner nicht anlegen: Es ist kein Benutzerordner bekannt."));
        return 1;
    }

    const QString socketPath = SingleInstance::defaultSocketPath();
    SingleInstance instance(socketPath);
    switch (instance.claim()) {
        case SingleInstance::Role::Secondary:
            // Until the running Tavrin answers a reopen with a window, say why nothing opened.
            fail(QCoreApplication::translate("main", "Tavrin läuft bereits."));
            if (!QSystemTrayIcon::isSystemTrayAvailable())
                fail(TrayIcon::noTrayMessage());
            return 0;
        case SingleInstance::Role::Failed:
            log.log(QStringLiteral("Einzelinstanz nicht eingerichtet: ") + socketPath);
            break;
        case SingleInstance::Role::Primary:
            break;
    }

    // Views resolve their colours through the theme when they paint, so it comes first and
    // outlives them all; it follows the desktop's switches between dark and light.
    Platform::QtClock clock;
    Platform::PortalAppearance appearance;
    Theme theme(appearance, clock);

    // Only a missing home stopped the program above, so the folder is known.
    DesktopApplication desktop(*SettingsStore::applicationSupportFolder(), clock, log);
    AppCoordinator& coordinator = desktop.coordinator();

    QObject::connect(&instance, &SingleInstance::reopenRequested, &coordinator,
                     &AppCoordinator::reopen);
    const Platform::QuitSignals quitSignals([&coordinator] { coordinator.quit(); });
    TrayIcon tray(log);
    // The menu follows the stores while it is open: a finished sign-in check, a granted
    // permission, the provider chosen elsewhere.
    MenuBarMenu trayMenu(coordinator, tray.menu());
    const auto rebuild = [&trayMenu] { trayMenu.rebuild(); };
    QObject::connect(&coordinator.providers(), &ProviderStatusStore::statesChanged, &trayMenu,
                     rebuild);
    QObject::connect(&coordinator.settings(), &SettingsStore::settingsChanged, &trayMenu, rebuild);
    // The open item names the shortcut only while the desktop lets Tavrin have it.
    QObject::connect(&desktop.shortcuts(), &GlobalShortcuts::NamedShortcuts::enabledChanged,
                     &trayMenu, rebuild);
    for (const auto changed :
         {&PermissionsManager::accessibilityChanged, &PermissionsManager::screenRecordingChanged,
          &PermissionsManager::microphoneChanged, &PermissionsManager::speechChanged})
        QObject::connect(&coordinator.permissions(), changed, &trayMenu, rebuild);
    trayMenu.rebuild();
    // Without the icon, starting Tavrin once more opens the settings.
    tray.followSetting(coordinator.settings());
    // What can wait until the icon is on screen: the icon every window carries and the panel's
    // window. The shortcut's grab cannot: coordinator.start() makes it at once.
    // And what the stores had to say while they loaded, where the icon can say it.
    tray.afterShown(&coordinator, [&desktop, &tray] {
        QApplication::setWindowIcon(BrandMark::appIcon());
        desktop.panel().prepareWindow();
        desktop.notices().showThrough(tray);
    });
    // Once the event loop runs: the grabs and the first window belong to a running program.
    QTimer::singleShot(0, &coordinator, [&coordinator] { coordinator.start(); });
    const int status = app.exec();
    desktop.memory().flush();
    return status;
}
