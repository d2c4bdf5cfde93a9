#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Design/Fonts.h"
#include "Design/TextPainter.h"

namespace {

// The right edge of the ink of `text` drawn at `font`.
int inkRight(const QFont& font, const QString& text) {
    QImage image(600, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    TextPainter::draw(painter, QPointF(2, 30), font, text);
    painter.end();
    for (int x = image.width() - 1; x >= 0; --x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qAlpha(image.pixel(x, y)) > 0)
                return x;
        }
    }
    return -1;
}

TEST(TextPainterTest, HalfSizesAreMeasuredAndDrawnBetweenTheWholeSizesAroundThem) {
    const QString sample = QStringLiteral("Mmmmmmmmmmmmmmmmmmmm");
    struct Case {
        QFont font;
        qreal pixels;
    };
    const Case cases[] = {
        {DS::Font::errorTitle(), 13.5},
        {DS::Font::button(), 12.5},
        {DS::Font::footnote(), 11.5},
        {DS::Font::keycap(), 10.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixels);
        EXPECT_NEAR(DS::Font::pixels(c.font), c.pixels, 1e-6);
        const QFont below = DS::Font::system(c.pixels - 0.5, QFont::Weight(c.font.weight()));
        const QFont above = DS::Font::system(c.pixels + 0.5, QFont::Weight(c.font.weight()));
        const qreal width = TextPainter::advance(c.font, sample);
        EXPECT_GT(width, TextPainter::advance(below, sample));
        EXPECT_LT(width, TextPainter::advance(above, sample));
        EXPECT_GT(inkRight(c.font, sample), inkRight(below, sample));
        EXPECT_LT(inkRight(c.font, sample), inkRight(above, sample));
        EXPECT_GT(TextPainter::metrics(c.font).height(), TextPainter::metrics(below).height());
        EXPECT_LT(TextPainter::metrics(c.font).height(), TextPainter::metrics(above).height());
    }
}

TEST(TextPainterTest, WrappingKeepsEveryCharacterAndItsLineBreaks) {
    const QFont font = DS::Font::footnote();
    struct Case {
        QString text;
        qreal width;
        int minimumLines;
    };
    const Case cases[] = {
        {QStringLiteral("ein zwei drei vier fünf sechs sieben"), 60, 3},
        {QStringLiteral("Donaudampfschifffahrtsgesellschaftskapitän"), 50, 2},
        {QStringLiteral("oben\nunten"), 500, 2},
        {QString(), 100, 0},
    };
    for (const Case& c : cases) {
        const QStringList lines = TextPainter::wrap(font, c.text, c.width);
        EXPECT_GE(lines.size(), c.minimumLines) << c.text.toStdString();
        QString joined = lines.join(QString());
        QString expected = c.text;
        expected.remove(QLatin1Char(' ')).remove(QLatin1Char('\n'));
        EXPECT_EQ(joined.remove(QLatin1Char(' ')), expected);
        for (const QString& line : lines) {
            EXPECT_LE(TextPainter::advance(font, line), c.width + 0.5) << line.toStdString();
        }
    }
}

}  // namespace
