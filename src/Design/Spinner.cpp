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
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSpokes(painter, rect(), DS::Palette::secondary.resolve(this), driver_->seconds());
}

void Spinner::paintSpokes(QPainter& painter, const QRectF& box, const QColor& color,
                          double seconds) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(box.width(), box.height());
    painter.translate(box.center());
    // The clock counts seconds since 2001: times the spokes that no longer fits an int, so the
    // step is taken modulo the spokes while still a double.
    int head = static_cast<int>(std::fmod(std::floor(seconds * spokes), spokes));
    if (head < 0)
        head += spokes;
    const qreal outer = side / 2;
    QColor spoke = color;
    QPen pen(spoke, std::max<qreal>(1.2, side * 0.09), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < spokes; ++i) {
        // The head spoke is darkest; the trail fades behind it.
        const int behind = (head - i + spokes) % spokes;
        spoke.setAlphaF(color.alphaF() * static_cast<float>(1.0 - 0.75 * behind / (spokes - 1)));
        pen.setColor(spoke);
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 360.0 / spokes);
        painter.drawLine(QPointF(0, -outer * 0.5), QPointF(0, -outer + pen.widthF() / 2));
        painter.restore();
    }
    painter.restore();
}
