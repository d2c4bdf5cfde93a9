#pragma once

#include <QImage>
#include <QWidget>

// The widget drawn alone on a transparent image at its own size, for looking at pixels.
inline QImage rendered(QWidget& widget) {
    widget.ensurePolished();
    if (widget.size() != widget.sizeHint() && !widget.testAttribute(Qt::WA_Resized))
        widget.resize(widget.sizeHint());
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Whether two colours match within a rounding step per channel.
inline bool near(QColor a, QColor b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}
