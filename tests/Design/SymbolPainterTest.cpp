#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Design/SymbolPainter.h"

namespace {

// Every symbol the interface names.
const QStringList usedNames = {"accessibility",
                               "arrow.clockwise",
                               "arrow.uturn.backward",
                               "asterisk",
                               "bolt.fill",
                               "brain.head.profile",
                               "checklist",
                               "checkmark",
                               "checkmark.circle.fill",
                               "chevron.down",
                               "chevron.right",
                               "circle.hexagongrid.fill",
                               "clock.arrow.circlepath",
                               "cpu",
                               "display",
                               "doc.on.doc",
                               "doc.text",
                               "exclamationmark.circle",
                               "exclamationmark.triangle",
                               "exclamationmark.triangle.fill",
                               "eye",
                               "folder",
                               "folder.fill",
                               "gearshape.fill",
                               "globe",
                               "hourglass",
                               "link",
                               "lock.fill",
                               "mic",
                               "mic.fill",
                               "mic.slash",
                               "minus",
                               "pencil",
                               "person",
                               "person.fill",
                               "plus.circle",
                               "questionmark.app",
                               "return",
                               "sparkle",
                               "square.and.pencil",
                               "stop.fill",
                               "terminal",
                               "text.bubble",
                               "text.cursor",
                               "wifi.slash",
                               "xmark"};

int inkedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}

TEST(SymbolPainterTest, EveryNamedSymbolDrawsInsideItsSquare) {
    for (const QString& name : usedNames) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(SymbolPainter::exists(name));
        for (const QFont::Weight weight : {QFont::Normal, QFont::Bold}) {
            const QRectF bounds = SymbolPainter::shape(name, 20, weight).boundingRect();
            EXPECT_GE(bounds.left(), 0);
            EXPECT_GE(bounds.top(), 0);
            EXPECT_LE(bounds.right(), 20);
            EXPECT_LE(bounds.bottom(), 20);
            // Large enough to read: no symbol is a speck in a corner.
            EXPECT_GT(std::max(bounds.width(), bounds.height()), 11);
        }
    }
}

TEST(SymbolPainterTest, PaintsCentredInTheBoxAndNothingForAnUnknownName) {
    struct Case {
        QString name;
        bool inked;
    };
    const Case cases[] = {{"stop.fill", true}, {"xmark", true}, {"no.such.symbol", false}};
    for (const Case& c : cases) {
        QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        SymbolPainter::paint(painter, c.name, QRectF(0, 0, 40, 20), Qt::black);
        painter.end();
        EXPECT_EQ(inkedPixels(image) > 0, c.inked) << c.name.toStdString();
        if (c.inked) {
            // Centred: the left and right quarters stay empty.
            EXPECT_EQ(inkedPixels(image.copy(0, 0, 10, 20)), 0);
            EXPECT_EQ(inkedPixels(image.copy(30, 0, 10, 20)), 0);
        }
    }
}

TEST(SymbolPainterTest, AFilledDiscKeepsItsMarkCutOut) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SymbolPainter::paint(painter, "checkmark.circle.fill", QRectF(0, 0, 40, 40), Qt::black);
    painter.end();
    // On the checkmark's stroke: see-through; beside it on the disc: solid.
    EXPECT_EQ(qAlpha(image.pixel(17, 26)), 0);
    EXPECT_EQ(qAlpha(image.pixel(20, 33)), 255);
}

}  // namespace
