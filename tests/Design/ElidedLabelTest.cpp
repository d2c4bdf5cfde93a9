#include <gtest/gtest.h>

#include <QFontMetricsF>

#include "Design/ElidedLabel.h"

namespace {

TEST(ElidedLabelTest, ShortensAtTheChosenEndAndKeepsWhatFits) {
    const QString text = QStringLiteral("eins zwei drei vier fünf sechs sieben acht");
    struct Case {
        Qt::TextElideMode mode;
        bool startsWithEllipsis;
        bool endsWithEllipsis;
        QString keeps;
    };
    const Case cases[] = {
        {Qt::ElideLeft, true, false, QStringLiteral("acht")},
        {Qt::ElideRight, false, true, QStringLiteral("eins")},
        {Qt::ElideMiddle, false, false, QStringLiteral("eins")},
    };
    for (const Case& c : cases) {
        ElidedLabel label(text);
        label.setElideMode(c.mode);
        label.resize(label.sizeHint().width() / 2, label.sizeHint().height());
        const QString shown = label.shownText();
        SCOPED_TRACE(shown.toStdString());
        EXPECT_TRUE(shown.contains(QChar(0x2026)));
        EXPECT_EQ(shown.startsWith(QChar(0x2026)), c.startsWithEllipsis);
        EXPECT_EQ(shown.endsWith(QChar(0x2026)), c.endsWithEllipsis);
        EXPECT_TRUE(shown.contains(c.keeps));
        EXPECT_LE(QFontMetricsF(label.font()).horizontalAdvance(shown), label.width());

        label.resize(label.sizeHint());
        EXPECT_EQ(label.shownText(), text);
    }
}

TEST(ElidedLabelTest, ShowsLineBreaksAsSpacesOnItsOneLine) {
    ElidedLabel label(QStringLiteral("oben\nunten\r\nEnde"));
    label.resize(label.sizeHint());
    EXPECT_EQ(label.shownText(), QStringLiteral("oben unten Ende"));
    EXPECT_EQ(label.text(), QStringLiteral("oben\nunten\r\nEnde"));
}

}  // namespace
