#include <gtest/gtest.h>

#include <QWidget>

#include "Design/Palette.h"
#include "Design/Theme.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"

namespace {

TEST(ThemeTest, ColoursResolveForTheAppearanceTheyAreDrawnIn) {
    Platform::FakeAppearance appearance;
    Platform::FakeClock clock;
    Theme theme(appearance, clock);
    QWidget window;
    QWidget* forced = new QWidget(&window);
    QWidget* insideForced = new QWidget(forced);
    Theme::setForcedDark(forced);

    struct Case {
        bool systemDark;
        const QWidget* widget;
        bool dark;
    };
    const Case cases[] = {
        {false, &window, false},     {true, &window, true},      {false, forced, true},
        {false, insideForced, true}, {true, insideForced, true},
    };
    for (const Case& c : cases) {
        appearance.setDark(c.systemDark);
        EXPECT_EQ(Theme::isDark(c.widget), c.dark);
        EXPECT_EQ(DS::Palette::field.resolve(c.widget),
                  c.dark ? QColor::fromRgbF(0, 0, 0, 0.22f) : QColor::fromRgbF(1, 1, 1, 0.78f));
    }
}

TEST(ThemeTest, AnnouncesADesktopSwitchAndStandsDownWhenGone) {
    Platform::FakeAppearance appearance;
    Platform::FakeClock clock;
    int changes = 0;
    {
        Theme theme(appearance, clock);
        QObject::connect(&theme, &Theme::changed, [&] { ++changes; });
        EXPECT_EQ(Theme::current(), &theme);
        appearance.setDark(true);
        appearance.setReduceMotion(true);
        EXPECT_TRUE(Theme::reduceMotion());
    }
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Theme::current(), nullptr);
    EXPECT_FALSE(Theme::reduceMotion());
}

}  // namespace
