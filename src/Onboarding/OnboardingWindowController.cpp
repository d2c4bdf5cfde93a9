#include "Onboarding/OnboardingWindowController.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

#include "Onboarding/OnboardingView.h"
#include "SettingsWindow/Blocks/SettingsPalette.h"

OnboardingWindowController::OnboardingWindowController(OnboardingCoordinator& coordinator,
                                                       QObject* parent)
    : QObject(parent), coordinator_(coordinator) {}

OnboardingWindowController::~OnboardingWindowController() {
    delete window_;
}

QPoint OnboardingWindowController::placement(const QRect& available, const QSize& size) {
    return {available.x() + available.width() - size.width() - rightMargin,
            available.y() + (available.height() - size.height()) / 2};
}

void OnboardingWindowController::show() {
    if (!window_) {
        // A normal window that stays above the others, with a close button only: it cannot be
        // resized or minimised.
        auto* window =
            new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                                     Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new OnboardingView(coordinator_);
        layout->addWidget(view_);
        window->setFixedSize(OnboardingView::size);
        SettingsPalette::follow(window);
        for (const QKeySequence& key :
             {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
            auto* shortcut = new QShortcut(key, window);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, view_, &OnboardingView::primaryAction);
        }
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window->move(placement(screen->availableGeometry(), OnboardingView::size));
        window_ = window;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void OnboardingWindowController::close() {
    if (window_)
        window_->hide();
}
