#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Design/RoundedBox.h"

namespace {

// Whether any pixel outside `inside` was touched.
bool paintsOutside(const QImage& image, const QRect& inside) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inside.contains(x, y) && qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

TEST(RoundedBoxTest, ShapesStayInTheirRectangleAndRoundTheirCorners) {
    struct Case {
        QRectF rect;
        qreal radius;
    };
    const Case cases[] = {
        {{0, 0, 100, 40}, 8}, {{0, 0, 100, 40}, 20}, {{0, 0, 100, 40}, 500},
        {{10, 5, 20, 60}, 7}, {{0, 0, 18, 17}, 5},   {{0, 0, 30, 30}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        const QPainterPath path = RoundedBox::path(c.rect, c.radius);
        const QRectF bounds = path.boundingRect();
        EXPECT_NEAR(bounds.left(), c.rect.left(), 1e-9);
        EXPECT_NEAR(bounds.right(), c.rect.right(), 1e-9);
        EXPECT_NEAR(bounds.top(), c.rect.top(), 1e-9);
        EXPECT_NEAR(bounds.bottom(), c.rect.bottom(), 1e-9);
        EXPECT_TRUE(path.contains(c.rect.center()));
        // A corner point is inside only for square corners.
        const QPointF corner = c.rect.topLeft() + QPointF(0.01, 0.01);
        EXPECT_EQ(path.contains(corner), c.radius == 0);
    }
}

TEST(RoundedBoxTest, ACapsuleHasRoundEnds) {
    const QRectF rect(0, 0, 60, 20);
    const QPainterPath capsule = RoundedBox::capsule(rect);
    // The end is a half circle of radius 10 around (10, 10).
    for (const qreal degrees : {100.0, 135.0, 180.0, 225.0, 260.0}) {
        const qreal a = qDegreesToRadians(degrees);
        const QPointF onCircle(10 + 10 * std::cos(a), 10 + 10 * std::sin(a));
        EXPECT_TRUE(capsule.contains(onCircle + (QPointF(10, 10) - onCircle) * 0.03));
        EXPECT_FALSE(capsule.contains(onCircle - (QPointF(10, 10) - onCircle) * 0.03));
    }
}

TEST(RoundedBoxTest, TheBorderIsDrawnInsideTheBox) {
    for (const qreal width : {0.5, 1.0, 3.0}) {
        QImage image(60, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        RoundedBox::strokeInside(painter, QRectF(10, 10, 40, 20), 7, Qt::black, width);
        painter.end();
        EXPECT_FALSE(paintsOutside(image, QRect(10, 10, 40, 20))) << width;
        EXPECT_NE(qAlpha(image.pixel(30, 10)), 0) << width;
    }
}

}  // namespace
