#include "Panel/FailedFooter.h"

#include <QHBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/SymbolLabel.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelView.h"
#include "Panel/SessionProviderChip.h"

FailedFooter::FailedFooter(AssistantSession& session, PanelActions& actions, QWidget* parent)
    : QWidget(parent), session_(&session) {
    setObjectName(QStringLiteral("failedFooterLine"));
    setFixedHeight(20);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(6);
    sparkle_ = new SymbolLabel(QStringLiteral("sparkle"), QString(), DS::Font::system(10),
                               DS::Palette::tertiary, this);
    row->addWidget(sparkle_);
    instruction_ = new ElidedLabel(QString(), this);
    instruction_->setObjectName(QStringLiteral("failedInstruction"));
    instruction_->setFont(DS::Font::hint());
    instruction_->setColor(DS::Palette::tertiary);
    instruction_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    row->addWidget(instruction_, 1);
    row->addStretch(0);
    row->addWidget(new SessionProviderChip(session, actions, this));
    connect(&session, &AssistantSession::sentInstructionChanged, this, &FailedFooter::refresh);
    refresh();
}

void FailedFooter::refresh() {
    if (!session_)
        return;
    const QString sent = session_->sentInstruction();
    const bool shown = !sent.trimmed().isEmpty();
    sparkle_->setVisible(shown);
    instruction_->setVisible(shown);
    instruction_->setText(shown ? PanelView::quoted(sent) : QString());
}
