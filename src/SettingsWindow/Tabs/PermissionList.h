#pragma once

#include <memory>

#include "Permissions/PermissionsManager.h"
#include "SettingsWindow/Blocks/SettingsCard.h"

class PermissionRow;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// The permissions Tavrin asks for, one row each, kept current while the list is on screen:
// it reads them again at once when it appears and then every second, and stops when it is
// hidden. The reads answer from the probes' caches, so this never waits on the system.
// Compact in the onboarding, full in the settings. A button that asks for what this desktop
// cannot give is off, with the reason beside it.
class PermissionList : public SettingsCard {
    Q_OBJECT

public:
    enum class Row { accessibility, screenRecording, microphone };

    static constexpr std::chrono::seconds refreshInterval{1};

    PermissionList(PermissionsManager& permissions, Platform::Clock& clock, bool compact,
                   QWidget* parent = nullptr);
    ~PermissionList() override;

    PermissionRow* row(Row row) const;
    // The user's words for what stands in the way.
    static QString reason(PermissionsManager::Obstacle obstacle);
    // All that stands in the way of `permission`, in those words; empty when nothing does.
    static QString reasons(const PermissionsManager& permissions,
                           PermissionsManager::Permission permission);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showPermissions();
    void refresh();
    void showObstacles();

    PermissionsManager& permissions_;
    std::unique_ptr<Platform::Timer> timer_;
    PermissionRow* accessibility_;
    PermissionRow* screenRecording_;
    PermissionRow* microphone_;
};
