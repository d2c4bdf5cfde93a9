#include <gtest/gtest.h>

#include "Platform/linux/DesktopSettingsOpener.h"
#include "support/ScopedEnv.h"

using Platform::DesktopSettingsOpener;
using Platform::SettingsPaneOpener;
using Command = DesktopSettingsOpener::Command;

TEST(DesktopSettingsOpenerTest, PicksTheDesktopsProgramAndPage) {
    const QString accessibility(SettingsPaneOpener::accessibilityPane);
    const QString microphone(SettingsPaneOpener::microphonePane);
    const std::nullopt_t overview = std::nullopt;
    // Desktops as XDG_CURRENT_DESKTOP lists them; the installed programs; the expected program
    // (found in /usr/bin) and its arguments, or nothing.
    const struct {
        const char* desktops;
        std::optional<QString> pane;
        const char* installed;
        const char* expected;
    } cases[] = {
        {"GNOME", accessibility, "gnome-control-center", "gnome-control-center universal-access"},
        {"ubuntu:GNOME", microphone, "gnome-control-center", "gnome-control-center sound"},
        {"gnome", overview, "gnome-control-center", "gnome-control-center"},
        {"KDE", microphone, "systemsettings5", "systemsettings5 kcm_pulseaudio"},
        {"XFCE", accessibility, "xfce4-accessibility-settings xfce4-settings-manager",
         "xfce4-accessibility-settings"},
        {"X-Cinnamon", accessibility, "cinnamon-settings", "cinnamon-settings accessibility"},
        {"X-Cinnamon", microphone, "cinnamon-settings", "cinnamon-settings sound"},
        // Nothing to show: the program is missing, the desktop unknown, the pane without a page.
        {"GNOME", accessibility, "", ""},
        {"", overview, "gnome-control-center", ""},
        {"Openbox", microphone, "gnome-control-center", ""},
        {"GNOME", QString(SettingsPaneOpener::speechRecognitionPane), "gnome-control-center", ""},
        {"GNOME", QString(SettingsPaneOpener::screenCapturePane), "gnome-control-center", ""},
        {"GNOME", "Privacy_Camera", "gnome-control-center", ""},
    };
    for (const auto& c : cases) {
        const QStringList installed = QString(c.installed).split(' ', Qt::SkipEmptyParts);
        const auto find = [&](const QString& program) {
            return installed.contains(program) ? "/usr/bin/" + program : QString();
        };
        QStringList words = QString(c.expected).split(' ', Qt::SkipEmptyParts);
        std::optional<Command> expected;
        if (!words.isEmpty())
            expected = Command{"/usr/bin/" + words.takeFirst(), words};
        EXPECT_EQ(DesktopSettingsOpener::command(QString(c.desktops).split(':', Qt::SkipEmptyParts),
                                                 c.pane, find),
                  expected)
            << c.desktops << " " << c.pane.value_or("-").toStdString();
    }
}

TEST(DesktopSettingsOpenerTest, WithoutADesktopNothingOpensAndItSaysSo) {
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", QString());
    DesktopSettingsOpener opener;
    EXPECT_FALSE(opener.canOpen(std::nullopt));
    EXPECT_FALSE(opener.open(QString(SettingsPaneOpener::microphonePane)));
}
