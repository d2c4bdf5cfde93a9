#include "Design/Shimmer.h"

#include <QEvent>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cmath>

#include "Design/AnimationDriver.h"

Shimmer* Shimmer::apply(QWidget* content) {
    auto* shimmer = new Shimmer(content);
    shimmer->show();
    return shimmer;
}

Shimmer::Shimmer(QWidget* content)
    : QWidget(content), content_(content), driver_(new AnimationDriver(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(content->rect());
    content->installEventFilter(this);
    raise();
    appearedAt_ = driver_->seconds();
    connect(driver_, &AnimationDriver::ticked, this, &Shimmer::captureContent);
}

double Shimmer::phase(double elapsed) {
    const double cycles = std::max(0.0, elapsed) / sweepSeconds;
    return -1 + 2 * (cycles - std::floor(cycles));
}

bool Shimmer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::Resize) {
        setGeometry(content_->rect());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void Shimmer::showEvent(QShowEvent* event) {
    appearedAt_ = driver_->seconds();
    QWidget::showEvent(event);
}

void Shimmer::captureContent() {
    if (driver_->isStill() || width() <= 0 || height() <= 0) {
        contentPixels_ = QImage();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QImage pixels(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(ratio);
    pixels.fill(Qt::transparent);
    rendering_ = true;
    content_->render(&pixels, QPoint(), QRegion(), QWidget::DrawChildren);
    rendering_ = false;
    contentPixels_ = pixels;
}

void Shimmer::paintEvent(QPaintEvent*) {
    if (driver_->isStill() || rendering_ || contentPixels_.isNull())
        return;
    // The content's own pixels, without this overlay, are the mask: the light shows only
    // where the content is opaque.
    QImage light = contentPixels_;
    const qreal w = width();
    const qreal left = phase(driver_->seconds() - appearedAt_) * w * 1.6;
    QLinearGradient band(left, 0, left + w * 0.6, 0);
    band.setColorAt(0, QColor(255, 255, 255, 0));
    band.setColorAt(0.5, QColor::fromRgbF(1, 1, 1, 0.35f));
    band.setColorAt(1, QColor(255, 255, 255, 0));
    QPainter mask(&light);
    mask.setCompositionMode(QPainter::CompositionMode_SourceIn);
    mask.fillRect(QRectF(0, 0, w, height()), band);
    mask.end();

    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), light);
}
