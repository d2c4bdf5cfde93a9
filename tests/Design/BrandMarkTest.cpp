#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include "Design/AppIconView.h"
#include "Design/BrandMark.h"
#include "Design/Palette.h"
#include "ThemeRig.h"

namespace {

struct Step {
    QPainterPath::ElementType type;
    qreal x;
    qreal y;
};

// The mark in a square of side 1, y up: end point, then control 1 and control 2 for curves.
struct Row {
    const char* kind;
    QPointF end;
    QPointF control1;
    QPointF control2;
};

std::vector<Step> expected(const std::vector<Row>& rows) {
    std::vector<Step> steps;
    for (const Row& row : rows) {
        const std::string kind = row.kind;
        if (kind == "move") {
            steps.push_back({QPainterPath::MoveToElement, row.end.x(), row.end.y()});
        } else if (kind == "line") {
            steps.push_back({QPainterPath::LineToElement, row.end.x(), row.end.y()});
        } else {
            // A painter path keeps a curve as control 1, control 2, end.
            steps.push_back({QPainterPath::CurveToElement, row.control1.x(), row.control1.y()});
            steps.push_back({QPainterPath::CurveToDataElement, row.control2.x(), row.control2.y()});
            steps.push_back({QPainterPath::CurveToDataElement, row.end.x(), row.end.y()});
        }
    }
    return steps;
}

void expectPath(const QPainterPath& path, const std::vector<Row>& rows) {
    const std::vector<Step> steps = expected(rows);
    // closeSubpath adds a line back to the start when the path does not end there.
    ASSERT_GE(path.elementCount(), static_cast<int>(steps.size()));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const QPainterPath::Element e = path.elementAt(static_cast<int>(i));
        SCOPED_TRACE(i);
        EXPECT_EQ(e.type, steps[i].type);
        EXPECT_NEAR(e.x, steps[i].x, 1e-9);
        EXPECT_NEAR(e.y, steps[i].y, 1e-9);
    }
}

TEST(BrandMarkTest, TheMarkFollowsItsPointTable) {
    expectPath(BrandMark::outline(QRectF(0, 0, 1, 1)),
               {
                   {"move", {0.28, 0.88}, {}, {}},
                   {"line", {0.72, 0.88}, {}, {}},
                   {"curve", {0.92, 0.68}, {0.83, 0.88}, {0.92, 0.79}},
                   {"line", {0.92, 0.42}, {}, {}},
                   {"curve", {0.72, 0.22}, {0.92, 0.31}, {0.83, 0.22}},
                   {"line", {0.44, 0.22}, {}, {}},
                   {"line", {0.24, 0.06}, {}, {}},
                   {"line", {0.25, 0.22}, {}, {}},
                   {"line", {0.28, 0.22}, {}, {}},
                   {"curve", {0.08, 0.42}, {0.17, 0.22}, {0.08, 0.31}},
                   {"line", {0.08, 0.68}, {}, {}},
                   {"curve", {0.28, 0.88}, {0.08, 0.79}, {0.17, 0.88}},
               });
    expectPath(BrandMark::sparkle(QRectF(0, 0, 1, 1)),
               {
                   {"move", {0.50, 0.72}, {}, {}},
                   {"curve", {0.67, 0.55}, {0.5374, 0.5874}, {0.5374, 0.5874}},
                   {"curve", {0.50, 0.38}, {0.5374, 0.5126}, {0.5374, 0.5126}},
                   {"curve", {0.33, 0.55}, {0.4626, 0.5126}, {0.4626, 0.5126}},
                   {"curve", {0.50, 0.72}, {0.4626, 0.5874}, {0.4626, 0.5874}},
               });
}

TEST(BrandMarkTest, ATallMarkKeepsTheCornersAndSparkleOfItsWidth) {
    const QPainterPath square = BrandMark::outline(QRectF(0, 0, 10, 10));
    const QPainterPath tall = BrandMark::outline(QRectF(0, 0, 10, 30));
    // The first corner runs from (maxX − c, maxY) to (maxX, maxY − c): c is 2 in both.
    for (const QPainterPath* path : {&square, &tall}) {
        const QPainterPath::Element start = path->elementAt(1);
        const QPainterPath::Element end = path->elementAt(4);
        EXPECT_NEAR(end.x - start.x, 2, 1e-9);
        EXPECT_NEAR(start.y - end.y, 2, 1e-9);
    }
    EXPECT_NEAR(BrandMark::sparkle(QRectF(0, 0, 10, 30)).boundingRect().width(),
                BrandMark::sparkle(QRectF(0, 0, 10, 10)).boundingRect().height(), 1e-9);
}

// Inked pixels in a band of rows (fractions of the height) and half of the columns.
int ink(const QImage& image, qreal fromRow, qreal toRow, bool rightHalf) {
    int count = 0;
    for (int y = static_cast<int>(fromRow * image.height()); y < toRow * image.height(); ++y) {
        for (int x = rightHalf ? image.width() / 2 : 0;
             x < (rightHalf ? image.width() : image.width() / 2); ++x)
            count += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
    }
    return count;
}

TEST(BrandMarkTest, TheTrayDrawsTheMarkUprightAtTheSizeItAsksForInTheTextColour) {
    ThemeRig rig;
    const QIcon icon = BrandMark::trayIcon();
    for (const auto& [side, dark] : std::vector<std::pair<int, bool>>{
             {16, false}, {18, true}, {22, false}, {37, true}, {64, false}}) {
        SCOPED_TRACE(side);
        rig.appearance.setDark(dark);
        const QColor text = DS::Palette::label.resolve(dark);
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        // Upright: the top edge spans both halves; below the body only the tail, at the left.
        EXPECT_GT(ink(image, 0.05, 0.16, false), 0);
        EXPECT_GT(ink(image, 0.05, 0.16, true), 0);
        EXPECT_GT(ink(image, 0.86, 0.97, false), 0);
        EXPECT_EQ(ink(image, 0.86, 0.97, true), 0);
        // Drawn in the text colour.
        QColor strongest(Qt::transparent);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (image.pixelColor(x, y).alpha() > strongest.alpha())
                    strongest = image.pixelColor(x, y);
        EXPECT_EQ(strongest.rgb(), text.rgb());
    }
}

TEST(BrandMarkTest, TheApplicationIconViewIsAQuarterLarger) {
    EXPECT_EQ(AppIconView(64).sizeHint(), QSize(80, 80));
}

TEST(BrandMarkTest, TheScalableIconIsAWellFormedSvgOfTileBubbleAndSparkle) {
    QXmlStreamReader reader(BrandMark::appIconSvg());
    int paths = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("path"))
            ++paths;
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(paths, 3);
}

}  // namespace
