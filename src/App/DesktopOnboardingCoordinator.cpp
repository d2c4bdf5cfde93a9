#include "App/DesktopOnboardingCoordinator.h"

#include "App/DesktopSettingsCoordinator.h"

DesktopOnboardingCoordinator::DesktopOnboardingCoordinator(Services services, QObject* parent)
    : OnboardingCoordinator(parent), s_(std::move(services)) {}

QWidget* DesktopOnboardingCoordinator::createShortcutConflictNotice() {
    return DesktopSettingsCoordinator::conflictNotice(s_.conflicts);
}

void DesktopOnboardingCoordinator::finishOnboarding() {
    if (s_.finish)
        s_.finish();
}
