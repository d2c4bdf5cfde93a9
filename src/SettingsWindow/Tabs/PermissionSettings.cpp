#include "SettingsWindow/Tabs/PermissionSettings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"
#include "Permissions/PermissionsManager.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Tabs/PermissionList.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

PermissionSettings::PermissionSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent),
      permissions_(coordinator.permissions()),
      list_(new PermissionList(coordinator.permissions(), coordinator.clock(), false)),
      openSettings_(
          new StyledButton(tr("Systemeinstellungen öffnen …"), ButtonStyle::secondary(28, 8))),
      reason_(new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::warningText)) {
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
    buttons->setSpacing(12);
    reason_->setObjectName(QStringLiteral("openSettingsReason"));
    buttons->addWidget(reason_, 1, Qt::AlignVCenter);
    buttons->addStretch(0);
    buttons->addWidget(openSettings_, 0, Qt::AlignVCenter);
    layout->addLayout(buttons);

    connect(openSettings_, &StyledButton::clicked, this, [this] { permissions_.openSettings(); });
    showSettingsProgram();
}

QString PermissionSettings::noSettingsProgram() {
    return tr(
        "Kein Einstellungsprogramm für diese Arbeitsumgebung gefunden (ich öffne die von "
        "GNOME, KDE Plasma, Xfce, MATE und Cinnamon).");
}

void PermissionSettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    showSettingsProgram();
}

// A desktop without a settings program of its own gets no button that does nothing, and is
// told why, beside the button and when pointing at it, as the permission rows tell theirs.
void PermissionSettings::showSettingsProgram() {
    const bool available = permissions_.canOpenSettings();
    openSettings_->setEnabled(available);
    const QString reason = available ? QString() : noSettingsProgram();
    openSettings_->setToolTip(reason);
    reason_->setText(reason);
    reason_->setVisible(!available);
}
