// A picker in the settings window as the user opens it: its list reads in the window's
// appearance, dark or light.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QVBoxLayout>

#include "Design/Theme.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"
#include "SettingsWindow/Blocks/SettingsPalette.h"
#include "SettingsWindow/Blocks/ValuePicker.h"

namespace {

// The mean lightness of what the picture shows, 0 (black) to 1 (white).
double lightness(const QImage& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            sum += QColor(picture.pixel(x, y)).lightnessF();
    return sum / (picture.width() * picture.height());
}

struct AppearanceCase {
    const char* name;
    bool dark;
    friend void PrintTo(const AppearanceCase& c, std::ostream* os) { *os << c.name; }
};

class OpenListTable : public ::testing::TestWithParam<AppearanceCase> {};

TEST_P(OpenListTable, ReadsInTheAppearanceOfTheWindow) {
    Platform::FakeAppearance appearance;
    appearance.setDark(GetParam().dark);
    Platform::FakeClock clock;
    Theme theme(appearance, clock);
    QWidget window;
    SettingsPalette::follow(&window);
    auto* picker = new ValuePicker;
    for (const char* language : {"Automatisch", "Deutsch", "Englisch", "Italienisch"})
        picker->addValue(QLatin1String(language), QLatin1String(language));
    (new QVBoxLayout(&window))->addWidget(picker);
    window.show();
    picker->showPopup();
    QApplication::processEvents();

    const double shown = lightness(picker->view()->window()->grab().toImage());
    if (GetParam().dark)
        EXPECT_LT(shown, 0.35) << "a light list opens in the dark window";
    else
        EXPECT_GT(shown, 0.65) << "a dark list opens in the light window";
    picker->hidePopup();
}

INSTANTIATE_TEST_SUITE_P(ValuePicker, OpenListTable,
                         ::testing::Values(AppearanceCase{"light", false},
                                           AppearanceCase{"dark", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
