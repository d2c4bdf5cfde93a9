#include "App/DesktopSettingsCoordinator.h"

#include "App/AppCoordinator.h"
#include "App/ShortcutConflictNotice.h"

DesktopSettingsCoordinator::DesktopSettingsCoordinator(Services services, QObject* parent)
    : SettingsCoordinator(parent), s_(services) {}

void DesktopSettingsCoordinator::learnStyleNow(StyleLearned done) {
    if (s_.learnStyle) {
        s_.learnStyle(std::move(done));
    } else if (done) {
        done(std::nullopt);
    }
}

SettingsCoordinator::Recognition DesktopSettingsCoordinator::recognition(
    const QString& dictationLanguage) const {
    if (s_.recognition)
        return s_.recognition(dictationLanguage);
    return SettingsCoordinator::recognition(dictationLanguage);
}

QWidget* DesktopSettingsCoordinator::createShortcutConflictNotice() {
    return conflictNotice(s_.conflicts);
}

QWidget* DesktopSettingsCoordinator::conflictNotice(const ShortcutConflicts::Services& services) {
    return new ShortcutConflictNotice(services, AppCoordinator::invokeAssistant(),
                                      AppCoordinator::dictateOnly());
}
