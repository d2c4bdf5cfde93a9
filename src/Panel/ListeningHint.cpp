#include "Panel/ListeningHint.h"

#include <QHBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Keycap.h"
#include "Design/PulsingDot.h"
#include "Settings/SettingsStore.h"

ListeningHint::ListeningHint(const SettingsStore& settings,
                             const StatusLine::Accessory& providerChip, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    setObjectName(QStringLiteral("listeningHint"));
    QHBoxLayout* layout = StatusLine::setUp(this);
    layout->addWidget(new PulsingDot(this), 0, Qt::AlignVCenter);
    layout->addWidget(StatusLine::text(tr("Hört zu"), this, DS::Palette::secondary));
    layout->addWidget(StatusLine::text(QStringLiteral("·"), this));
    finish_ = StatusLine::text({}, this);
    layout->addWidget(finish_);
    layout->addWidget(StatusLine::text(QStringLiteral("·"), this));
    layout->addWidget(new Keycap(QStringLiteral("esc"), this));
    layout->addWidget(StatusLine::text(tr("Verwerfen"), this));
    layout->addStretch(1);
    StatusLine::addAccessory(layout, providerChip, this);
    connect(&settings, &SettingsStore::settingsChanged, this, &ListeningHint::refresh);
    refresh();
}

QString ListeningHint::howToFinish() const {
    return finish_->text();
}

void ListeningHint::refresh() {
    finish_->setText(settings_.settings().pushToTalkKey == PushToTalkKey::none
                         ? tr("Mikrofon klicken zum Übernehmen")
                         : tr("Loslassen zum Übernehmen"));
    StatusLine::fit(finish_);
}
