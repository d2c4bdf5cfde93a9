#include "SettingsWindow/Window/SettingsWindowController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "Design/WindowFit.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"
#include "SettingsWindow/Window/SettingsView.h"

SettingsWindowController::SettingsWindowController(SettingsCoordinator& coordinator,
                                                   QObject* parent)
    : QObject(parent), coordinator_(coordinator) {}

SettingsWindowController::~SettingsWindowController() {
    delete window_.data();
}

void SettingsWindowController::show() {
    if (!window_) {
        window_ = new SettingsView(coordinator_);
        window_->setWindowTitle(tr("Einstellungen"));
        window_->resize(SettingsView::minimumContentSize);
        // Centred once, when built, on the screen the user works on; later openings keep
        // where the user put it. A screen too small for its least size makes that smaller: the
        // tab's page scrolls, and the title bar stays on the screen.
        SettingsView* window = window_;
        auto* fit =
            new WindowFit(*window, {SettingsView::minimumContentSize,
                                    [](const QRect& available, const QSize& frame) {
                                        QRect centred(QPoint(), frame);
                                        centred.moveCenter(available.center());
                                        return centred.topLeft();
                                    },
                                    [window](QSize content) {
                                        window->setMinimumSize(
                                            SettingsView::minimumContentSize.boundedTo(content));
                                        window->resize(content);
                                    }});
        const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            fit->place(screen->availableGeometry());
    }
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    coordinator_.activateWindow(window_);
}
