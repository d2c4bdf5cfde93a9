#include "Panel/NoticeBlock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "Design/BlockBackground.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/SymbolPainter.h"
#include "Panel/TintedLabel.h"

namespace {

constexpr int kPadding = 14;
constexpr int kCircle = 32;
constexpr int kSymbol = 14;

}  // namespace

NoticeBlock::NoticeBlock(const QString& symbol, const DS::Color& tint, const DS::Color& tintSoft,
                         const QString& title, const QString& message, QWidget* parent)
    : QWidget(parent), symbol_(symbol), tint_(tint), tintSoft_(tintSoft) {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(kPadding + kCircle + 12, kPadding, kPadding, kPadding);
    outer->setSpacing(0);

    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->setContentsMargins(0, 0, 0, 0);
    auto* titleLabel = new TintedLabel(DS::Palette::label, this);
    titleLabel->setText(title);
    titleLabel->setObjectName(QStringLiteral("noticeTitle"));
    titleLabel->setFont(DS::Font::errorTitle());
    titleLabel->setWordWrap(true);
    column->addWidget(titleLabel);
    auto* messageLabel = new TintedLabel(DS::Palette::secondary, this);
    messageLabel->setText(message);
    messageLabel->setObjectName(QStringLiteral("noticeMessage"));
    messageLabel->setFont(DS::Font::system(12.5));
    messageLabel->setWordWrap(true);
    messageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(messageLabel);
    actions_ = new QHBoxLayout;
    actions_->setContentsMargins(0, 8, 0, 0);
    actions_->setSpacing(8);
    actions_->addStretch(1);
    column->addLayout(actions_);
    outer->addLayout(column, 1);
}

void NoticeBlock::addAction(QWidget* action) {
    action->setParent(this);
    actions_->insertWidget(actions_->count() - 1, action);
}

void NoticeBlock::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    BlockBackground::paint(painter, this, rect());
    const QRectF circle(kPadding, kPadding, kCircle, kCircle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tintSoft_.resolve(this));
    painter.drawEllipse(circle);
    const QRectF symbol(circle.center() - QPointF(kSymbol / 2.0, kSymbol / 2.0),
                        QSizeF(kSymbol, kSymbol));
    SymbolPainter::paint(painter, symbol_, symbol, tint_.resolve(this), QFont::Medium);
}
