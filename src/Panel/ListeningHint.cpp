#include "Panel/ListeningHint.h"

#include <QHBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Keycap.h"
#include "Design/PulsingDot.h"
#include "Panel/AssistantSession.h"

ListeningHint::ListeningHint(const AssistantSession& session,
                             const StatusLine::Accessory& providerChip, QWidget* parent)
    : QWidget(parent), session_(session) {
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
    connect(&session, &AssistantSession::isListeningHeldChanged, this, &ListeningHint::refresh);
    refresh();
}

QString ListeningHint::howToFinish() const {
    return finish_->text();
}

void ListeningHint::refresh() {
    // A push-to-talk key that is set but never reaches us ("fn" on X11) holds nothing: what
    // counts is how this listening began.
    finish_->setText(session_.isListeningHeld() ? tr("Loslassen zum Übernehmen")
                                                : tr("Mikrofon klicken zum Übernehmen"));
    StatusLine::fit(finish_);
}
