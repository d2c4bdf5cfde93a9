#include "Design/AppIconView.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <cmath>

#include "Design/BrandMark.h"

AppIconView::AppIconView(qreal size, QWidget* parent) : QWidget(parent), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Tavrin"));
}

QSize AppIconView::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_ * 1.25));
    return {side, side};
}

void AppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal side = size_ * 1.25;
    const QRectF box((width() - side) / 2, (height() - side) / 2, side, side);
    const QIcon icon = QGuiApplication::windowIcon();
    if (icon.isNull()) {
        BrandMark::paintAppIcon(painter, box);
        return;
    }
    icon.paint(&painter, box.toAlignedRect());
}
