#include "SettingsWindow/Tabs/PermissionSettings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/StyledButton.h"
#include "Permissions/PermissionsManager.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Tabs/PermissionList.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

PermissionSettings::PermissionSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent),
      list_(new PermissionList(coordinator.permissions(), coordinator.clock(), false)),
      openSettings_(
          new StyledButton(tr("Systemeinstellungen öffnen …"), ButtonStyle::secondary(28, 8))) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(list_);
    layout->addWidget(new Footnote(
        tr("Verwaltet werden die Freigaben in den Einstellungen deiner Arbeitsumgebung. Ich "
           "frage nur, was ich wirklich brauche. Nach dem Einschalten der Barrierefreiheit "
           "müssen Programme, die schon laufen, eventuell neu gestartet werden.")));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 14, 0, 0);
    buttons->addStretch(1);
    buttons->addWidget(openSettings_);
    layout->addLayout(buttons);

    PermissionsManager& permissions = coordinator.permissions();
    // A desktop without a settings program of its own gets no button that does nothing.
    openSettings_->setEnabled(permissions.canOpenSettings());
    connect(openSettings_, &StyledButton::clicked, this,
            [&permissions] { permissions.openSettings(); });
}
