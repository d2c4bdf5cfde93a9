#include "Design/TypingDots.h"

#include <QPainter>
#include <cmath>

#include "Design/AnimationDriver.h"
#include "Design/Palette.h"
#include "Design/StatusDot.h"

namespace {

constexpr qreal dot = 4;
constexpr qreal dotSpacing = 3;

}  // namespace

TypingDots::TypingDots(QWidget* parent) : QWidget(parent), driver_(new AnimationDriver(this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

double TypingDots::opacity(int index, double seconds) {
    return (std::sin(5 * seconds - 0.7 * index) + 1) * 0.5 * 0.65 + 0.35;
}

void TypingDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor accent = DS::Palette::accent.resolve(this);
    const bool still = driver_->isStill();
    const double seconds = still ? 0 : driver_->seconds();
    const qreal left = (width() - (3 * dot + 2 * dotSpacing)) / 2;
    const qreal top = (height() - dot) / 2;
    for (int i = 0; i < 3; ++i) {
        painter.setOpacity(still ? 1 : opacity(i, seconds));
        StatusDot::paintDot(painter, QRectF(left + i * (dot + dotSpacing), top, dot, dot), accent);
    }
}
