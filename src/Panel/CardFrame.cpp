#include "Panel/CardFrame.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Panel/TintedLabel.h"

CardFrame::CardFrame(const DS::Color& border, qreal borderOpacity, qreal borderWidth, int spacing,
                     QWidget* parent)
    : QWidget(parent), border_(border), borderOpacity_(borderOpacity), borderWidth_(borderWidth) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* content = new QVBoxLayout(this);
    content->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    content->setSpacing(spacing);
}

QVBoxLayout* CardFrame::column() const {
    return static_cast<QVBoxLayout*>(layout());
}

StyledButton* CardFrame::button(const QString& text, const ButtonStyle& style, const char* name,
                                QWidget* parent) {
    auto* button = new StyledButton(text, style, parent);
    button->setObjectName(QLatin1String(name));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

ElidedLabel* CardFrame::line(const QFont& font, const DS::Color& color, QWidget* parent) {
    auto* label = new ElidedLabel(QString(), parent);
    label->setFont(font);
    label->setColor(color);
    return label;
}

TintedLabel* CardFrame::errorText(const char* name, QWidget* parent) {
    auto* text = new TintedLabel(DS::Palette::errorText, parent);
    text->setObjectName(QLatin1String(name));
    text->setFont(DS::Font::hint());
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return text;
}

QWidget* CardFrame::successLine(TintedLabel*& text, QWidget* parent) {
    const QFont font = DS::Font::system(12.5, QFont::Medium);
    auto* line = new QWidget(parent);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new SymbolLabel(QStringLiteral("checkmark.circle.fill"), QString(), font,
                                   DS::Palette::successText, line),
                   0, Qt::AlignTop);
    text = new TintedLabel(DS::Palette::successText, line);
    text->setFont(font);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(text, 1);
    return line;
}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), kRadius, DS::Palette::answerBG.resolve(this));
    QColor border = border_.resolve(this);
    border.setAlphaF(border.alphaF() * borderOpacity_);
    RoundedBox::strokeInside(painter, rect(), kRadius, border, borderWidth_);
}
