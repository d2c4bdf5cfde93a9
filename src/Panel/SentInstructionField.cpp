#include "Panel/SentInstructionField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"

namespace {

bool answersInConversation(const AssistantSession& session) {
    const auto active = session.activeTurn();
    return session.phase().kind() == AssistantSession::Phase::Kind::streaming && active &&
           active->kind == ReplyKind::chat;
}

}  // namespace

SentInstructionField::SentInstructionField(AssistantSession& session, PanelActions& actions,
                                           QWidget* parent)
    : QWidget(parent), session_(session), actions_(actions) {
    setObjectName(QStringLiteral("sentInstructionField"));
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(8);
    layout->setContentsMargins(14, 0, 7, 0);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("sentText"));
    layout->addWidget(label_, 1);
    auto* stop = new QToolButton(this);
    stop->setObjectName(QStringLiteral("stopButton"));
    stop->setToolTip(tr("Schreiben stoppen"));
    stop_ = stop;
    layout->addWidget(stop_);
    connect(stop_, &QAbstractButton::clicked, this, [this] { actions_.stopGenerating(); });
    for (auto signal :
         {&AssistantSession::phaseChanged, &AssistantSession::turnsChanged,
          &AssistantSession::activeTurnIDChanged, &AssistantSession::sentInstructionChanged})
        connect(&session_, signal, this, &SentInstructionField::refresh);
    refresh();
}

QString SentInstructionField::text(const AssistantSession& session) {
    if (answersInConversation(session))
        return tr("Antwortet …");
    if (!session.sentInstruction().trimmed().isEmpty())
        return session.sentInstruction();
    return tr("Vorschlag");
}

void SentInstructionField::setCompact(bool compact) {
    if (compact_ == compact)
        return;
    compact_ = compact;
    refresh();
}

void SentInstructionField::refresh() {
    label_->setText(text(session_));
    setFixedHeight(compact_ ? 38 : 46);
    update();
}

void SentInstructionField::paintEvent(QPaintEvent*) {}
