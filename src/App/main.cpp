#include <QApplication>
#include <QLocale>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>

#include "AI/CLIEnvironment.h"
#include "AI/ClaudeCLIProvider.h"
#include "AI/CodexCLIProvider.h"
#include "AI/ProviderStatusStore.h"
#include "App/AppCoordinator.h"
#include "App/CollectorContextSource.h"
#include "App/PanelControllerHost.h"
#include "App/SingleInstance.h"
#include "App/TrayIcon.h"
#include "Context/ContextCollector.h"
#include "Context/PageReader.h"
#include "Context/WindowCapture.h"
#include "Design/BrandMark.h"
#include "Design/Theme.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Memory/MemoryStore.h"
#include "Output/TextInserter.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/AppPaths.h"
#include "Platform/ChildProcess.h"
#include "Platform/linux/AtspiAccessibilityTree.h"
#include "Platform/linux/AtspiAccessibilityTrust.h"
#include "Platform/linux/DesktopSettingsOpener.h"
#include "Platform/linux/EwmhDesktopWindows.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/OfflineSpeechRecognitionAccess.h"
#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Platform/linux/PortalAppearance.h"
#include "Platform/linux/PulseAudioSource.h"
#include "Platform/linux/PulseMicrophoneAccess.h"
#include "Platform/linux/QSettingsUserDefaults.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/StderrSystemLog.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11Compositor.h"
#include "Platform/linux/X11Display.h"
#include "Platform/linux/X11FloatingWindows.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/X11ScreenCaptureAccess.h"
#include "Platform/linux/X11WindowImages.h"
#include "Platform/linux/XTestKeySender.h"
#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XdgAutostartLoginItem.h"
#include "Settings/SettingsStore.h"
#include "Voice/DictationFactory.h"
#include "Voice/QuickDictationController.h"

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
    // A tool that exits while we still write to it must not end Tavrin; writes report EPIPE.
    Platform::ChildProcess::ignoreBrokenPipes();
    if (!checkDisplay())
        return 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QApplication::setDesktopFileName(Platform::AppPaths::applicationId());
    QApplication::setQuitOnLastWindowClosed(false);

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
    QApplication::setWindowIcon(BrandMark::appIcon());

    // The desktop as Tavrin reads and drives it.
    const std::shared_ptr<Platform::XcbConnection> x11 = Platform::XcbConnection::open();
    Platform::XdgAutostartLoginItem loginItem;
    const QString applicationSupport = *SettingsStore::applicationSupportFolder();
    SettingsStore settings(applicationSupport, {loginItem, log, clock});
    Platform::AtspiAccessibilityTrust trust;
    Platform::X11ScreenCaptureAccess screenCapture;
    Platform::PulseMicrophoneAccess microphone;
    Platform::OfflineSpeechRecognitionAccess speech;
    Platform::DesktopSettingsOpener settingsPanes;
    PermissionsManager permissions({trust, screenCapture, microphone, speech, settingsPanes});
    ProviderStatusStore providers(clock);
    MemoryStore memory(applicationSupport, clock);

    const qreal pixelRatio = app.devicePixelRatio();
    Platform::AccessibilityWorker accessibility(
        [pixelRatio] { return Platform::AtspiAccessibilityTree::create(pixelRatio); });
    Platform::EwmhDesktopWindows desktopWindows(x11);
    Platform::X11WindowImages windowImages;
    WindowCapture capture(desktopWindows, windowImages, screenCapture);
    Platform::X11Clipboard clipboard(x11);
    Platform::XTestKeySender keys(x11);
    Platform::EwmhWindowActivation activation(x11);
    Platform::X11ModifierState modifiers(x11);
    TextInserter inserter({clock, clipboard, keys, activation, modifiers, trust});
    ContextCollector collector({clock, desktopWindows, trust, accessibility, capture, log,
                                [&inserter](std::function<void(std::optional<QString>)> done) {
                                    inserter.copySelection(std::move(done));
                                }});
    PageReader pages(accessibility, trust);
    CollectorContextSource context(collector, pages);

    auto recognizer = std::make_shared<Platform::PocketsphinxRecognizer>();
    DictationFactory dictation(
        DictationBackends{microphone, speech, recognizer,
                          [] { return std::make_unique<Platform::PulseAudioSource>(); }, clock,
                          QLocale::system().name()});
    Platform::X11Compositor compositor(x11);
    QuickDictationController quickDictation(
        [&dictation](const QString& language) { return dictation.make(language); }, clock,
        &compositor);

    Platform::QSettingsUserDefaults defaults(Platform::AppPaths::userDefaultsFile());
    Platform::X11HotKeyGrabber grabber;
    GlobalShortcuts::NamedShortcuts shortcuts(defaults, grabber, log);

    Platform::X11FloatingWindows floatingWindows(x11);
    PanelController panel({clock, floatingWindows, {}});

    PanelControllerHost panelHost(panel, floatingWindows);
    AppCoordinator coordinator(AppCoordinator::Services{
        clock,
        log,
        settings,
        permissions,
        providers,
        memory,
        context,
        panelHost,
        quickDictation,
        shortcuts,
        [](ProviderID provider, const AssistantSettings& s) -> std::unique_ptr<AIProvider> {
            if (provider == ProviderID::codexCLI)
                return std::make_unique<CodexCLIProvider>(s.codexPath);
            return std::make_unique<ClaudeCLIProvider>(s.claudePath);
        },
        [&grabber] { return grabber.lastEventTime(); },
        [] { QThreadPool::globalInstance()->start([] { CLIEnvironment::shellPATH(); }); },
        {},
        {},
        {},
    });

    QObject::connect(&instance, &SingleInstance::reopenRequested, &coordinator,
                     &AppCoordinator::reopen);
    TrayIcon tray(log);
    tray.show();
    // Once the event loop runs: the grabs and the first window belong to a running program.
    QTimer::singleShot(0, &coordinator, [&coordinator] { coordinator.start(); });
    const int status = app.exec();
    memory.flush();
    return status;
}
