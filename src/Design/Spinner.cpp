#include "Design/Spinner.h"

#include <QPainter>
#include <cmath>

#include "Design/AnimationDriver.h"
#include "Design/Palette.h"

namespace {

constexpr int spokes = 12;

}  // namespace

Spinner::Spinner(QWidget* parent, int diameter)
    : QWidget(parent),
      diameter_(diameter),
      driver_(new AnimationDriver(this, AnimationDriver::Motion::essential)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Lädt"));
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    const int head = static_cast<int>(std::floor(driver_->seconds() * spokes)) % spokes;
    QColor color = DS::Palette::secondary.resolve(this);
    const qreal outer = side / 2;
    QPen pen(color, std::max<qreal>(1.2, side * 0.09), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < spokes; ++i) {
        // The head spoke is darkest; the trail fades behind it.
        const int behind = (head - i + spokes) % spokes;
        color.setAlphaF(static_cast<float>(1.0 - 0.75 * behind / (spokes - 1)));
        pen.setColor(color);
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 360.0 / spokes);
        painter.drawLine(QPointF(0, -outer * 0.5), QPointF(0, -outer + pen.widthF() / 2));
        painter.restore();
    }
}
