#include "Panel/ChatBubble.h"

#include <QPainter>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Panel/MarkdownText.h"

ChatBubble::ChatBubble(bool fromUser, Platform::UrlOpener* opener, QWidget* parent)
    : QWidget(parent), fromUser_(fromUser), text_(new MarkdownText(opener, this)) {
    setObjectName(fromUser ? QStringLiteral("userBubble") : QStringLiteral("replyBubble"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPaddingX, kPaddingY, kPaddingX, kPaddingY);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    text_->setFont(DS::Font::body());
    text_->setVerbatim(fromUser);
    layout->addWidget(text_);
}

void ChatBubble::setText(const QString& text) {
    text_->setSource(text);
}

QString ChatBubble::text() const {
    return text_->source();
}

void ChatBubble::setMaximumBubbleWidth(int width) {
    text_->setWrapWidth(width - 2 * kPaddingX);
}

void ChatBubble::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const DS::Color& fill = fromUser_ ? DS::Palette::accentSoft : DS::Palette::fill;
    RoundedBox::fill(painter, rect(), 12, fill.resolve(this));
}
