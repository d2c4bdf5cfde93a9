#pragma once

#include <QWidget>

class PermissionList;
class PermissionsManager;
class SettingsCoordinator;
class StyledButton;
class WrappingLabel;

// The "Berechtigungen" tab: the full permission list, where the permissions are managed,
// and a way into the desktop's settings.
class PermissionSettings : public QWidget {
    Q_OBJECT

public:
    explicit PermissionSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    PermissionList* list() const { return list_; }
    StyledButton* openSettingsButton() const { return openSettings_; }
    // Why the button is off; hidden while it is on.
    WrappingLabel* openSettingsReason() const { return reason_; }

    static QString noSettingsProgram();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSettingsProgram();

    PermissionsManager& permissions_;
    PermissionList* list_;
    StyledButton* openSettings_;
    WrappingLabel* reason_;
};
