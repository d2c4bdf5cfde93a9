#include "Panel/ReadyHint.h"

#include <QHBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Keycap.h"
#include "Panel/AssistantSession.h"

ReadyHint::ReadyHint(AssistantSession& session, const StatusLine::Accessory& modeSwitch,
                     const StatusLine::Accessory& providerChip, QWidget* parent)
    : QWidget(parent), session_(&session) {
    setObjectName(QStringLiteral("readyHint"));
    QHBoxLayout* layout = StatusLine::setUp(this);
    layout->addWidget(new Keycap(QStringLiteral("⏎"), this));
    verb_ = StatusLine::text({}, this);
    layout->addWidget(verb_);
    layout->addWidget(StatusLine::text(QStringLiteral("·"), this));
    layout->addWidget(new Keycap(QStringLiteral("esc"), this));
    layout->addWidget(StatusLine::text(tr("Schließen"), this));
    layout->addStretch(1);
    StatusLine::addAccessory(layout, modeSwitch, this);
    StatusLine::addAccessory(layout, providerChip, this);
    connect(&session, &AssistantSession::modeChanged, this, &ReadyHint::refresh);
    refresh();
}

QString ReadyHint::verb() const {
    return verb_->text();
}

void ReadyHint::refresh() {
    if (!session_)
        return;
    switch (session_->mode()) {
        case AssistantSession::Mode::automatic:
            verb_->setText(tr("Senden"));
            break;
        case AssistantSession::Mode::discuss:
            verb_->setText(tr("Fragen"));
            break;
        case AssistantSession::Mode::write:
            verb_->setText(tr("Schreiben"));
            break;
    }
    StatusLine::fit(verb_);
}
