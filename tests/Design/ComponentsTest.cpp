#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "Design/FieldIconButton.h"
#include "Design/InitialsAvatar.h"
#include "Design/Keycap.h"
#include "Design/Palette.h"
#include "Design/ProviderChip.h"
#include "Design/StyledButton.h"
#include "Rendering.h"
#include "ThemeRig.h"

namespace {

using Light = ThemeRig;

QColor withAlpha(QColor color, float alpha) {
    color.setAlphaF(alpha);
    return color;
}

TEST(ComponentsTest, OnlyTheBackgroundAnswersAPress) {
    Light light;
    const QColor accent = DS::Palette::accent.resolve(false);
    struct Case {
        const char* name;
        ButtonStyle style;
        bool pressed;
        QColor background;  // in the padding, half way down
    };
    const Case cases[] = {
        {"primary", ButtonStyle::primary(28, 8), false, accent},
        {"primary pressed", ButtonStyle::primary(28, 8), true, withAlpha(accent, 0.8f)},
        {"secondary", ButtonStyle::secondary(26, 7), false, DS::Palette::fill.resolve(false)},
        {"secondary pressed", ButtonStyle::secondary(26, 7), true,
         DS::Palette::fillStrong.resolve(false)},
        {"quiet", ButtonStyle::quiet(), false, Qt::transparent},
        {"quiet pressed", ButtonStyle::quiet(), true, DS::Palette::fill.resolve(false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StyledButton button(QStringLiteral("Mmmmmm"), c.style);
        button.setDown(c.pressed);
        const QImage image = rendered(button);
        EXPECT_EQ(image.height(), static_cast<int>(c.style.height));
        EXPECT_TRUE(near(image.pixelColor(4, image.height() / 2), c.background))
            << image.pixelColor(4, image.height() / 2).name(QColor::HexArgb).toStdString();
        if (c.style.kind == ButtonStyle::Kind::primary) {
            // The label keeps full white when pressed: its darkest ink is pure white.
            int brightest = 0;
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    brightest = std::max(brightest, qGray(image.pixel(x, y)));
            EXPECT_EQ(brightest, 255);
        }
    }
}

TEST(ComponentsTest, TheWholeFrameOfAButtonTakesClicks) {
    Light light;
    for (const ButtonStyle& style : {ButtonStyle::quiet(), ButtonStyle::primary(26, 7)}) {
        StyledButton button(QStringLiteral("Abbrechen"), style);
        button.resize(button.sizeHint());
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        // The corner lies outside the rounded shape and in the padding.
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(0, 0));
        QTest::mouseClick(&button, Qt::LeftButton, {},
                          QPoint(button.width() - 1, button.height() - 1));
        EXPECT_EQ(clicked.count(), 2);
    }
}

TEST(ComponentsTest, KeycapsKeepTheirMinimumAndGrowWithTheirLabel) {
    Light light;
    Keycap empty(QString{});
    EXPECT_EQ(empty.sizeHint(), QSize(18, 17));
    Keycap shortCap(QStringLiteral("⏎"));
    EXPECT_EQ(shortCap.sizeHint().height(), 17);
    Keycap wide(QStringLiteral("Strg+Umschalt+V"));
    Keycap wider(QStringLiteral("Strg+Umschalt+V Strg+Umschalt+V"));
    EXPECT_GT(wide.sizeHint().width(), 18);
    EXPECT_GT(wider.sizeHint().width(), wide.sizeHint().width());
    // No border: the edge of the cap is the same fill as its inside.
    wide.resize(wide.sizeHint());
    const QImage image = rendered(wide);
    EXPECT_TRUE(
        near(image.pixelColor(image.width() / 2, 0), image.pixelColor(image.width() / 2, 3)));
    EXPECT_TRUE(
        near(image.pixelColor(image.width() / 2, 0), DS::Palette::fillStrong.resolve(false)));
}

TEST(ComponentsTest, AProviderChipWithoutMenuHasNoChevronAndTakesNoClick) {
    Light light;
    ProviderChip plain(QStringLiteral("Claude"), true, false);
    ProviderChip menu(QStringLiteral("Claude"), true, true);
    EXPECT_EQ(plain.sizeHint().height(), 20);
    EXPECT_EQ(menu.sizeHint().height(), 20);
    EXPECT_GT(menu.sizeHint().width(), plain.sizeHint().width());

    for (ProviderChip* chip : {&plain, &menu}) {
        chip->resize(chip->sizeHint());
        QSignalSpy clicked(chip, &QAbstractButton::clicked);
        QTest::mouseClick(chip, Qt::LeftButton, {}, chip->rect().center());
        EXPECT_EQ(clicked.count(), chip->showsMenu() ? 1 : 0);
    }
}

TEST(ComponentsTest, AFieldIconButtonSwapsSymbolAndFillTogether) {
    Light light;
    FieldIconButton button(QStringLiteral("stop.fill"), 32, QStringLiteral("Stopp"));
    const QPoint fillPoint(3, 16);
    const QPoint symbolPoint(16, 16);
    struct Case {
        bool active;
        QColor fill;
        QColor symbol;
    };
    for (const Case& c :
         {Case{true, DS::Palette::accent.resolve(false), Qt::white},
          Case{false, DS::Palette::fill.resolve(false), DS::Palette::secondary.resolve(false)}}) {
        button.setActive(c.active);
        const QImage image = rendered(button);
        EXPECT_TRUE(near(image.pixelColor(fillPoint), c.fill)) << c.active;
        EXPECT_TRUE(near(image.pixelColor(symbolPoint), c.symbol)) << c.active;
    }
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Stopp"));
}

TEST(ComponentsTest, AnAvatarWithoutInitialsIsAnEmptyCircle) {
    Light light;
    InitialsAvatar avatar(QString{}, 24);
    const QImage image = rendered(avatar);
    EXPECT_EQ(image.size(), QSize(24, 24));
    EXPECT_TRUE(near(image.pixelColor(12, 12), DS::Palette::avatarBG.resolve(false)));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

}  // namespace
