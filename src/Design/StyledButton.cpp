#include "Design/StyledButton.h"

#include <QPainter>
#include <cmath>

#include "Design/AnimationDriver.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

QString plainText(const LabelRow& label) {
    QStringList texts;
    for (const LabelRow::Part& part : label.parts()) {
        if (part.kind == LabelRow::Part::Kind::text)
            texts << part.content;
    }
    return texts.join(QLatin1Char(' '));
}

}  // namespace

StyledButton::StyledButton(const QString& text, const ButtonStyle& style, QWidget* parent)
    : StyledButton(LabelRow({LabelRow::text(text)}), style, parent) {}

StyledButton::StyledButton(LabelRow label, const ButtonStyle& style, QWidget* parent)
    : QAbstractButton(parent), style_(style) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setLabel(std::move(label));
}

void StyledButton::setButtonStyle(const ButtonStyle& style) {
    if (style_ == style)
        return;
    style_ = style;
    updateGeometry();
    update();
}

void StyledButton::setLabel(LabelRow label) {
    const bool couldShrink = label_.hasOptional();
    label_ = std::move(label);
    // Between the essential and the whole label it takes what the row can give.
    if (label_.hasOptional() != couldShrink)
        setSizePolicy(label_.hasOptional() ? QSizePolicy::Maximum : QSizePolicy::Fixed,
                      QSizePolicy::Fixed);
    setText(plainText(label_));
    syncSpinner();
    updateGeometry();
    update();
}

void StyledButton::setLabelText(const QString& text) {
    setLabel(LabelRow({LabelRow::text(text)}));
}

void StyledButton::syncSpinner() {
    if (label_.hasSpinner() && !spinnerDriver_) {
        spinnerDriver_ = new AnimationDriver(this, AnimationDriver::Motion::essential);
    } else if (!label_.hasSpinner() && spinnerDriver_) {
        delete spinnerDriver_;
        spinnerDriver_ = nullptr;
    }
}

QFont StyledButton::labelFont() const {
    return style_.kind == ButtonStyle::Kind::primary ? DS::Font::buttonPrimary()
                                                     : DS::Font::button();
}

QSize StyledButton::sizeFor(const LabelRow& label) const {
    const QSizeF content = label.size(labelFont());
    const qreal height = style_.kind == ButtonStyle::Kind::plain ? content.height() : style_.height;
    return {static_cast<int>(std::ceil(content.width() + 2 * style_.horizontalPadding())),
            static_cast<int>(std::ceil(height))};
}

QSize StyledButton::sizeHint() const {
    return sizeFor(label_);
}

QSize StyledButton::minimumSizeHint() const {
    return label_.hasOptional() ? sizeFor(label_.essential()) : sizeFor(label_);
}

void StyledButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(0.5);
    const QRectF box = rect();
    const bool pressed = isDown();
    QColor text;
    switch (style_.kind) {
        case ButtonStyle::Kind::primary: {
            QColor fill = DS::Palette::accent.resolve(this);
            if (pressed)
                fill.setAlphaF(fill.alphaF() * 0.8f);
            RoundedBox::fill(painter, box, style_.radius, fill);
            text = Qt::white;
            break;
        }
        case ButtonStyle::Kind::secondary:
            RoundedBox::fill(painter, box, style_.radius,
                             (pressed ? DS::Palette::fillStrong : DS::Palette::fill).resolve(this));
            RoundedBox::strokeInside(painter, box, style_.radius, DS::Palette::stroke.resolve(this),
                                     0.5);
            text = DS::Palette::label.resolve(this);
            break;
        case ButtonStyle::Kind::quiet:
            if (pressed)
                RoundedBox::fill(painter, box, 8, DS::Palette::fill.resolve(this));
            text = DS::Palette::secondary.resolve(this);
            break;
        case ButtonStyle::Kind::plain:
            // Nothing around the label; a press only dims it.
            if (pressed)
                painter.setOpacity(painter.opacity() * 0.6);
            text = DS::Palette::label.resolve(this);
            break;
    }
    const qreal padding = style_.horizontalPadding();
    const LabelRow shown = width() < sizeHint().width() ? label_.essential() : label_;
    shown.paint(painter, box.adjusted(padding, 0, -padding, 0), labelFont(), text, this,
                Qt::AlignCenter, spinnerDriver_ ? spinnerDriver_->seconds() : 0);
}
