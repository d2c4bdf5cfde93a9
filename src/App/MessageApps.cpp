#include "App/MessageApps.h"

#include <QSet>

namespace MessageApps {

namespace {

const QSet<QString>& exact() {
    static const QSet<QString> ids = {
        // The same programs on the other desktop system Tavrin's users may come from.
        QStringLiteral("com.apple.Terminal"),
        QStringLiteral("com.googlecode.iterm2"),
        QStringLiteral("dev.warp.Warp-Stable"),
        QStringLiteral("dev.warp.Warp"),
        QStringLiteral("org.alacritty"),
        QStringLiteral("co.zeit.hyper"),
        QStringLiteral("com.apple.dt.Xcode"),
        QStringLiteral("com.microsoft.VSCode"),
        QStringLiteral("com.microsoft.VSCodeInsiders"),
        QStringLiteral("com.vscodium"),
        QStringLiteral("com.todesktop.230313mzl4w4u92"),
        QStringLiteral("dev.zed.Zed"),
        QStringLiteral("com.sublimetext.4"),
        QStringLiteral("com.panic.Nova"),
        QStringLiteral("com.google.android.studio"),
        QStringLiteral("com.barebones.bbedit"),
        QStringLiteral("com.apple.finder"),
        QStringLiteral("com.apple.systempreferences"),
        QStringLiteral("com.apple.ActivityMonitor"),
        QStringLiteral("com.apple.Console"),
        QStringLiteral("net.kovidgoyal.kitty"),
        QStringLiteral("com.mitchellh.ghostty"),
        QStringLiteral("com.github.wez.wezterm"),
        // Their desktop-file ids and window classes here.
        QStringLiteral("org.gnome.Terminal"),
        QStringLiteral("org.gnome.Console"),
        QStringLiteral("org.kde.konsole"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("org.xfce.terminal"),
        QStringLiteral("xterm"),
        QStringLiteral("XTerm"),
        QStringLiteral("uxterm"),
        QStringLiteral("kitty"),
        QStringLiteral("Alacritty"),
        QStringLiteral("org.wezfurlong.wezterm"),
        QStringLiteral("terminator"),
        QStringLiteral("com.gexperts.Tilix"),
        QStringLiteral("debian-xterm"),
        QStringLiteral("code"),
        QStringLiteral("code-oss"),
        QStringLiteral("codium"),
        QStringLiteral("dev.zed.Zed"),
        QStringLiteral("sublime_text"),
        QStringLiteral("org.gnome.Nautilus"),
        QStringLiteral("org.kde.dolphin"),
        QStringLiteral("thunar"),
        QStringLiteral("org.gnome.Settings"),
        QStringLiteral("org.gnome.SystemMonitor"),
    };
    return ids;
}

}  // namespace

bool contains(const QString& bundleIdentifier) {
    return exact().contains(bundleIdentifier) ||
           bundleIdentifier.startsWith(QLatin1String("com.jetbrains.")) ||
           bundleIdentifier.startsWith(QLatin1String("jetbrains-"));
}

}  // namespace MessageApps
