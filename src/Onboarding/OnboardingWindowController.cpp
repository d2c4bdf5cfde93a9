#include "Onboarding/OnboardingWindowController.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

#include "Design/WindowFit.h"
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
        SettingsPalette::follow(window);
        for (const QKeySequence& key :
             {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
            auto* shortcut = new QShortcut(key, window);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, view_, &OnboardingView::primaryAction);
        }
        window_ = window;
        // It cannot be resized: a screen too short or narrow for it makes it smaller, and its
        // step scrolls.
        auto* fit =
            new WindowFit(*window, {OnboardingView::size, &placement,
                                    [window](QSize content) { window->setFixedSize(content); }});
        if (QScreen* screen = QGuiApplication::primaryScreen())
            fit->place(screen->availableGeometry());
        else
            window->setFixedSize(OnboardingView::size);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void OnboardingWindowController::close() {
    if (window_)
        window_->hide();
}
