#include "SettingsWindow/Tabs/SettingsCoordinator.h"

#include <QLocale>
#include <QWidget>

#include "AI/ClaudeCLIProvider.h"
#include "AI/CodexCLIProvider.h"
#include "Projects/ProjectTools.h"

std::unique_ptr<AIProvider> SettingsCoordinator::makeProvider(ProviderID provider,
                                                              const QString& customPath) {
    switch (provider) {
        case ProviderID::codexCLI:
            return std::make_unique<CodexCLIProvider>(customPath, clock());
        case ProviderID::claudeCLI:
            break;
    }
    return std::make_unique<ClaudeCLIProvider>(customPath, clock());
}

void SettingsCoordinator::activateWindow(QWidget* window) {
    window->raise();
    window->activateWindow();
}

void SettingsCoordinator::setSettingsTab(SettingsTab tab) {
    if (tab == settingsTab_)
        return;
    settingsTab_ = tab;
    emit settingsTabChanged(tab);
}

SettingsCoordinator::Recognition SettingsCoordinator::recognition(
    const QString& dictationLanguage) const {
    const QString wanted =
        dictationLanguage == QLatin1String("auto") ? QLocale::system().name() : dictationLanguage;
    return {wanted, wanted};
}

SettingsCoordinator::RepoDetector SettingsCoordinator::repoDetector() const {
    return [](const QString& folder) { return ProjectTools::detectRepo(folder); };
}
