#include "Panel/SentInstructionField.h"

#include <QHBoxLayout>
#include <QPainter>

#include "Design/ElidedLabel.h"
#include "Design/FieldIconButton.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
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
    label_ = new ElidedLabel(QString(), this);
    label_->setObjectName(QStringLiteral("sentText"));
    label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(label_, 1);
    // The stop button keeps its full size in the compact panel too.
    stop_ = new FieldIconButton(QStringLiteral("stop.fill"), 32, tr("Schreiben stoppen"), this);
    stop_->setObjectName(QStringLiteral("stopButton"));
    stop_->setToolTip(tr("Schreiben stoppen"));
    stop_->setFocusPolicy(Qt::NoFocus);
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
    const Look look{text(session_), answersInConversation(session_), compact_};
    // Every chunk of a reply changes the turns: the field repaints only when it shows another
    // text or look.
    if (shown_ == look)
        return;
    shown_ = look;
    label_->setText(look.text);
    label_->setColor(look.answering ? DS::Palette::tertiary : DS::Palette::secondary);
    label_->setFont(compact_ ? DS::Font::body() : DS::Font::instruction());
    setFixedHeight(compact_ ? 38 : 46);
    update();
}

void SentInstructionField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), 13, DS::Palette::field.resolve(this));
    RoundedBox::strokeInside(painter, rect(), 13, DS::Palette::stroke.resolve(this), 0.5);
}
