#include "SettingsWindow/Tabs/PermissionList.h"

#include <QPointer>

#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "SettingsWindow/Blocks/SystemColors.h"
#include "SettingsWindow/Tabs/PermissionRow.h"

PermissionList::PermissionList(PermissionsManager& permissions, Platform::Clock& clock,
                               bool compact, QWidget* parent)
    : SettingsCard(parent),
      permissions_(permissions),
      timer_(clock.createTimer([this] { refresh(); }, true)) {
    accessibility_ =
        new PermissionRow({QStringLiteral("accessibility"), SystemColors::blue,
                           tr("Barrierefreiheit"), tr("Antwortfeld finden und Text einfügen")},
                          compact, [this] { permissions_.requestAccessibility(); });
    screenRecording_ =
        new PermissionRow({QStringLiteral("display"), SystemColors::gray, tr("Bildschirmaufnahme"),
                           tr("Die Nachricht erkennen, auf die du antwortest")},
                          compact, [this] { permissions_.requestScreenRecording(); });
    microphone_ = new PermissionRow(
        {QStringLiteral("mic.fill"), SystemColors::red, tr("Mikrofon"),
         compact ? tr("Anweisungen diktieren statt tippen") : tr("Nur für die Spracheingabe nötig"),
         true},
        compact, [this] {
            // The answers arrive later, through the manager's signals, which the row follows
            // for as long as it lives.
            permissions_.requestMicrophone();
        });
    addRow(accessibility_);
    addRow(screenRecording_);
    addRow(microphone_);

    connect(&permissions_, &PermissionsManager::accessibilityChanged, this,
            &PermissionList::showPermissions);
    connect(&permissions_, &PermissionsManager::screenRecordingChanged, this,
            &PermissionList::showPermissions);
    connect(&permissions_, &PermissionsManager::microphoneChanged, this,
            &PermissionList::showPermissions);
    connect(&permissions_, &PermissionsManager::speechChanged, this,
            &PermissionList::showPermissions);
    showPermissions();
}

PermissionList::~PermissionList() = default;

PermissionRow* PermissionList::row(Row row) const {
    switch (row) {
        case Row::accessibility:
            return accessibility_;
        case Row::screenRecording:
            return screenRecording_;
        case Row::microphone:
            return microphone_;
    }
    return nullptr;
}

void PermissionList::showEvent(QShowEvent* event) {
    SettingsCard::showEvent(event);
    refresh();
    timer_->start(refreshInterval);
}

void PermissionList::hideEvent(QHideEvent* event) {
    SettingsCard::hideEvent(event);
    timer_->stop();
}

void PermissionList::refresh() {
    permissions_.refresh();
    // What a request can do changes without a flag changing (a settings program or a sound
    // server comes or goes), so it is read on every pass.
    showObstacles();
}

QString PermissionList::reason(PermissionsManager::Obstacle obstacle) {
    switch (obstacle) {
        case PermissionsManager::Obstacle::accessibilityBus:
            return tr(
                "Kein Barrierefreiheits-Bus da (Paket at-spi2-core) und kein "
                "Einstellungsprogramm, das ihn einschalten könnte.");
        case PermissionsManager::Obstacle::soundInput:
            return tr(
                "Kein Mikrofoneingang gefunden und kein Einstellungsprogramm dafür: "
                "Schließ ein Mikrofon an oder starte PulseAudio oder PipeWire.");
        case PermissionsManager::Obstacle::speechModel:
            return tr("Kein Sprachmodell installiert (Paket pocketsphinx-en-us).");
    }
    return {};
}

void PermissionList::showObstacles() {
    using Permission = PermissionsManager::Permission;
    const std::pair<PermissionRow*, Permission> rows[] = {
        {accessibility_, Permission::accessibility},
        {screenRecording_, Permission::screenRecording},
        {microphone_, Permission::microphone},
    };
    for (const auto& [row, permission] : rows)
        row->setObstacle(reasons(permissions_, permission), permissions_.canRequest(permission));
}

QString PermissionList::reasons(const PermissionsManager& permissions,
                                PermissionsManager::Permission permission) {
    QStringList all;
    for (const PermissionsManager::Obstacle obstacle : permissions.obstacles(permission))
        all.append(reason(obstacle));
    return all.join(QLatin1Char(' '));
}

void PermissionList::showPermissions() {
    accessibility_->setGranted(permissions_.accessibility());
    screenRecording_->setGranted(permissions_.screenRecording());
    // Dictation needs both: the microphone and the speech model.
    microphone_->setGranted(permissions_.microphone() && permissions_.speech());
    showObstacles();
}
