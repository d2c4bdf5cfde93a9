#include "Design/PulsingDot.h"

#include <QPainter>
#include <cmath>

#include "Design/AnimationDriver.h"
#include "Design/Palette.h"
#include "Design/StatusDot.h"

PulsingDot::PulsingDot(QWidget* parent) : QWidget(parent), driver_(new AnimationDriver(this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

double PulsingDot::opacity(double seconds) {
    return (std::sin(4 * seconds) + 1) * 0.5 * 0.6 + 0.4;
}

void PulsingDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(driver_->isStill() ? 1 : opacity(driver_->seconds()));
    StatusDot::paintDot(painter, QRectF((width() - 6) / 2.0, (height() - 6) / 2.0, 6, 6),
                        DS::Palette::accent.resolve(this));
}
