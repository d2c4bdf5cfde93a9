#include "SettingsWindow/Window/SettingsWindowController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

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
        // Centred once, when built; later openings keep where the user put it.
        // On the screen the user works on.
        const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame(QPoint(), window_->size());
            frame.moveCenter(screen->availableGeometry().center());
            window_->move(frame.topLeft());
        }
    }
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    coordinator_.activateWindow(window_);
}
