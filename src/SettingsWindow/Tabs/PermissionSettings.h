#pragma once

#include <QWidget>

class PermissionList;
class SettingsCoordinator;
class StyledButton;

// The "Berechtigungen" tab: the full permission list, where the permissions are managed,
// and a way into the desktop's settings.
class PermissionSettings : public QWidget {
    Q_OBJECT

public:
    explicit PermissionSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    PermissionList* list() const { return list_; }
    StyledButton* openSettingsButton() const { return openSettings_; }

private:
    PermissionList* list_;
    StyledButton* openSettings_;
};
