#include <gtest/gtest.h>

#include "Platform/linux/DesktopSettingsOpener.h"
#include "support/ScopedEnv.h"

using Platform::DesktopSettingsOpener;
using Platform::SettingsPaneOpener;
using Command = DesktopSettingsOpener::Command;

TEST(DesktopSettingsOpenerTest, PicksTheDesktopsProgramAndPage) {
    const QString accessibility(SettingsPaneOpener::accessibilityPane);
    const QString microphone(SettingsPaneOpener::microphonePane);
    const struct {
        QStringList desktops;
        std::optional<QString> pane;
        QStringList installed;
        std::optional<Command> expected;
    } cases[] = {
        {{"GNOME"},
         accessibility,
         {"gnome-control-center"},
         Command{"/usr/bin/gnome-control-center", {"universal-access"}}},
        {{"ubuntu", "GNOME"},
         microphone,
         {"gnome-control-center"},
         Command{"/usr/bin/gnome-control-center", {"sound"}}},
        {{"gnome"},
         std::nullopt,
         {"gnome-control-center"},
         Command{"/usr/bin/gnome-control-center", {}}},
        {{"KDE"},
         microphone,
         {"systemsettings5"},
         Command{"/usr/bin/systemsettings5", {"kcm_pulseaudio"}}},
        {{"XFCE"},
         accessibility,
         {"xfce4-accessibility-settings", "xfce4-settings-manager"},
         Command{"/usr/bin/xfce4-accessibility-settings", {}}},
        // Nothing to show: the program is missing, the desktop unknown, the pane without a page.
        {{"GNOME"}, accessibility, {}, std::nullopt},
        {{"X-Cinnamon"}, accessibility, {"cinnamon-settings"}, std::nullopt},
        {{}, std::nullopt, {"gnome-control-center"}, std::nullopt},
        {{"Openbox"}, microphone, {"gnome-control-center"}, std::nullopt},
        {{"GNOME"},
         QString(SettingsPaneOpener::speechRecognitionPane),
         {"gnome-control-center"},
         std::nullopt},
        {{"GNOME"},
         QString(SettingsPaneOpener::screenCapturePane),
         {"gnome-control-center"},
         std::nullopt},
        {{"GNOME"}, QStringLiteral("Privacy_Camera"), {"gnome-control-center"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto find = [&](const QString& program) {
            return c.installed.contains(program) ? QStringLiteral("/usr/bin/") + program
                                                 : QString();
        };
        const auto command = DesktopSettingsOpener::command(c.desktops, c.pane, find);
        EXPECT_EQ(command, c.expected)
            << c.desktops.join(':').toStdString() << " " << c.pane.value_or("-").toStdString();
    }
}

TEST(DesktopSettingsOpenerTest, WithoutADesktopNothingOpensAndItSaysSo) {
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", QString());
    DesktopSettingsOpener opener;
    EXPECT_FALSE(opener.canOpen(std::nullopt));
    EXPECT_FALSE(opener.open(QString(SettingsPaneOpener::microphonePane)));
}
