#pragma once

#include <QStringList>
#include <functional>

#include "Platform/SettingsPaneOpener.h"

namespace Platform {

// Starts the desktop's own settings program (named by $XDG_CURRENT_DESKTOP) on the page
// closest to a permission: accessibility, the sound input for the microphone, the overview
// without a pane. Screen capture needs no page on X11 and the offline speech model has none,
// so those panes open nothing, as does a desktop without a known settings program.
class DesktopSettingsOpener final : public SettingsPaneOpener {
public:
    struct Command {
        QString program;  // full path
        QStringList arguments;
        bool operator==(const Command&) const = default;
    };
    // Finds a program on the search path; empty when it is not installed.
    using Finder = std::function<QString(const QString& program)>;

    // The command for `pane` on the first of `desktops` that has one installed.
    static std::optional<Command> command(const QStringList& desktops,
                                          const std::optional<QString>& pane, const Finder& find);

    bool canOpen(const std::optional<QString>& pane) override;
    bool open(const std::optional<QString>& pane) override;

private:
    static std::optional<Command> commandHere(const std::optional<QString>& pane);
};

}  // namespace Platform
