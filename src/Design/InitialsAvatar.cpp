#include "Design/InitialsAvatar.h"

#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/LabelRow.h"
#include "Design/Palette.h"
#include "Design/StatusDot.h"

InitialsAvatar::InitialsAvatar(const QString& initials, qreal size, QWidget* parent)
    : QWidget(parent), initials_(initials), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(initials);
}

void InitialsAvatar::setInitials(const QString& initials) {
    if (initials_ == initials)
        return;
    initials_ = initials;
    setAccessibleName(initials);
    update();
}

QSize InitialsAvatar::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void InitialsAvatar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF circle(QPointF(width() - size_, height() - size_) / 2, QSizeF(size_, size_));
    StatusDot::paintDot(painter, circle, DS::Palette::avatarBG.resolve(this));
    if (initials_.isEmpty())
        return;
    LabelRow({LabelRow::text(initials_)})
        .paint(painter, circle, DS::Font::system(size_ * 0.38, QFont::DemiBold),
               DS::Palette::avatarText.resolve(this), this);
}
