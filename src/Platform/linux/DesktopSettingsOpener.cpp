#include "Platform/linux/DesktopSettingsOpener.h"

#include <QProcess>
#include <QStandardPaths>

namespace Platform {

namespace {

enum class Page { overview, accessibility, microphone };

struct Entry {
    const char* desktop;  // as in $XDG_CURRENT_DESKTOP, compared without case
    Page page;
    QStringList programs;  // the first one installed is used
    QStringList arguments;
};

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table = {
        {"GNOME", Page::overview, {"gnome-control-center"}, {}},
        {"GNOME", Page::accessibility, {"gnome-control-center"}, {"universal-access"}},
        {"GNOME", Page::microphone, {"gnome-control-center"}, {"sound"}},
        {"KDE", Page::overview, {"systemsettings", "systemsettings5"}, {}},
        {"KDE", Page::accessibility, {"systemsettings", "systemsettings5"}, {"kcm_access"}},
        {"KDE", Page::microphone, {"systemsettings", "systemsettings5"}, {"kcm_pulseaudio"}},
        {"XFCE", Page::overview, {"xfce4-settings-manager"}, {}},
        {"XFCE", Page::accessibility, {"xfce4-accessibility-settings"}, {}},
        {"XFCE", Page::microphone, {"pavucontrol"}, {"--tab=4"}},
        {"MATE", Page::overview, {"mate-control-center"}, {}},
        {"MATE", Page::accessibility, {"mate-at-properties"}, {}},
        {"MATE", Page::microphone, {"mate-volume-control"}, {"--page=input"}},
        {"X-Cinnamon", Page::overview, {"cinnamon-settings"}, {}},
        {"X-Cinnamon", Page::accessibility, {"cinnamon-settings"}, {"accessibility"}},
        {"X-Cinnamon", Page::microphone, {"cinnamon-settings"}, {"sound"}},
    };
    return table;
}

std::optional<Page> pageFor(const std::optional<QString>& pane) {
    if (!pane)
        return Page::overview;
    if (*pane == SettingsPaneOpener::accessibilityPane)
        return Page::accessibility;
    if (*pane == SettingsPaneOpener::microphonePane)
        return Page::microphone;
    return std::nullopt;
}

}  // namespace

std::optional<DesktopSettingsOpener::Command> DesktopSettingsOpener::command(
    const QStringList& desktops, const std::optional<QString>& pane, const Finder& find) {
    const std::optional<Page> page = pageFor(pane);
    if (!page)
        return std::nullopt;
    for (const QString& desktop : desktops) {
        for (const Entry& entry : entries()) {
            if (entry.page != *page ||
                desktop.compare(QLatin1String(entry.desktop), Qt::CaseInsensitive) != 0)
                continue;
            for (const QString& program : entry.programs)
                if (const QString path = find(program); !path.isEmpty())
                    return Command{path, entry.arguments};
        }
    }
    return std::nullopt;
}

std::optional<DesktopSettingsOpener::Command> DesktopSettingsOpener::commandHere(
    const std::optional<QString>& pane) {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return command(desktops, pane,
                   [](const QString& program) { return QStandardPaths::findExecutable(program); });
}

bool DesktopSettingsOpener::canOpen(const std::optional<QString>& pane) {
    return commandHere(pane).has_value();
}

bool DesktopSettingsOpener::open(const std::optional<QString>& pane) {
    const std::optional<Command> command = commandHere(pane);
    return command && QProcess::startDetached(command->program, command->arguments);
}

}  // namespace Platform
