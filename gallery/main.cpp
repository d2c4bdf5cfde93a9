// The gallery: renders every view of Tavrin, light and dark, into PNG files for looking at
// them (tavrin-gallery [folder]; by default <build>/gallery/). It ends with status 1 when a
// picture could not be written or Qt warned about anything on the way, so that a run in CI
// catches views that break, crash or complain.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

#include "GalleryOutput.h"
#include "GalleryPages.h"
#include "PrivateHome.h"

namespace {

int warnings = 0;
QtMessageHandler passOn = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // The offscreen platform says so for each window feature it lacks (opacity, masks,
    // raising): that is the platform's limit, not a fault of a view.
    const bool platformLimit = message.startsWith(QLatin1String("This plugin does not support"));
    if ((type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) && !platformLimit)
        ++warnings;
    if (passOn && !platformLimit)
        passOn(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    // One screen 1440 wide, off any display, so that every run draws the same pictures.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TAVRIN_SCREENS);
    // A private home: the stores the views are built on write nothing of the user's.
    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tavrin-gallery-XXXXXX"));
    if (!usePrivateHome(home))
        return 2;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));

    QApplication app(argc, argv);
    passOn = qInstallMessageHandler(countWarnings);
    if (argc > 1)
        GalleryOutput::setRoot(QString::fromLocal8Bit(argv[1]));

    const std::pair<const char*, void (*)()> pages[] = {
        {"design components", GalleryPages::designComponents},
        {"design indicators", GalleryPages::designIndicators},
        {"brand", GalleryPages::designBrand},
        {"design basics", GalleryPages::designBasics},
        {"provider views", GalleryPages::providerViews},
        {"panel conversation", GalleryPages::panelConversation},
        {"panel header and quotes", GalleryPages::panelHeaderAndQuotes},
        {"panel project menu", GalleryPages::panelProjectMenu},
        {"panel status lines", GalleryPages::panelStatusLines},
        {"panel phases", GalleryPages::panelPhases},
        {"panel cards", GalleryPages::panelCards},
        {"panel on small screens", GalleryPages::panelSmallScreens},
        {"settings", GalleryPages::settingsTabs},
        {"onboarding", GalleryPages::onboardingSteps},
        {"windows on small screens", GalleryPages::windowsOnSmallScreens},
        {"dictation display", GalleryPages::dictationDisplay},
        {"tray menu", GalleryPages::trayMenu},
        {"shortcut conflict", GalleryPages::shortcutConflict},
        {"undo toast", GalleryPages::undoToast},
    };
    for (const auto& [name, render] : pages) {
        std::fprintf(stderr, "gallery: %s\n", name);
        render();
    }
    const QString folder = GalleryOutput::folder(QString());
    std::fprintf(stderr, "gallery: %d Qt warnings, %d pictures not written, in %s\n", warnings,
                 GalleryOutput::failures(), qUtf8Printable(QDir::cleanPath(folder)));
    return warnings == 0 && GalleryOutput::failures() == 0 ? 0 : 1;
}
