#include "Platform/linux/KeyChord.h"

#include <QStringList>

#include "Platform/KeySender.h"

namespace Platform {

namespace {

constexpr quint32 keysymC = 0x0063;
constexpr quint32 keysymV = 0x0076;
constexpr quint32 keysymZ = 0x007a;
constexpr quint32 keysymReturn = 0xff0d;

std::optional<quint32> keysymFor(quint16 keyCode) {
    switch (keyCode) {
        case VirtualKey::C:
            return keysymC;
        case VirtualKey::V:
            return keysymV;
        case VirtualKey::Z:
            return keysymZ;
        case VirtualKey::Return:
            return keysymReturn;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<KeyChord> KeyChord::forKey(quint16 keyCode, quint64 flags, bool terminal) {
    const auto keysym = keysymFor(keyCode);
    if (!keysym)
        return std::nullopt;
    KeyChord chord;
    chord.keysym = *keysym;
    chord.control = flags & (EventFlag::Command | EventFlag::Control);
    chord.shift = flags & EventFlag::Shift;
    chord.alt = flags & EventFlag::Option;
    if (terminal && chord.control) {
        if (chord.keysym == keysymZ)
            return std::nullopt;
        if (chord.keysym == keysymC || chord.keysym == keysymV)
            chord.shift = true;
    }
    return chord;
}

bool isTerminalWindowClass(const QString& instance, const QString& windowClass) {
    // WM_CLASS names, compared without case: instance names and class names differ in case
    // between versions ("xterm"/"XTerm", "konsole"/"Konsole").
    static const QStringList terminals = {
        QStringLiteral("xterm"),
        QStringLiteral("uxterm"),
        QStringLiteral("urxvt"),
        QStringLiteral("rxvt"),
        QStringLiteral("st"),
        QStringLiteral("st-256color"),
        QStringLiteral("gnome-terminal"),
        QStringLiteral("gnome-terminal-server"),
        QStringLiteral("kgx"),
        QStringLiteral("org.gnome.console"),
        QStringLiteral("konsole"),
        QStringLiteral("yakuake"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("mate-terminal"),
        QStringLiteral("lxterminal"),
        QStringLiteral("qterminal"),
        QStringLiteral("terminator"),
        QStringLiteral("tilix"),
        QStringLiteral("guake"),
        QStringLiteral("tilda"),
        QStringLiteral("sakura"),
        QStringLiteral("terminology"),
        QStringLiteral("alacritty"),
        QStringLiteral("kitty"),
        QStringLiteral("wezterm"),
        QStringLiteral("org.wezfurlong.wezterm"),
        QStringLiteral("foot"),
        QStringLiteral("cool-retro-term"),
        QStringLiteral("deepin-terminal"),
        QStringLiteral("x-terminal-emulator"),
        QStringLiteral("eterm"),
        QStringLiteral("aterm"),
        QStringLiteral("termite"),
        QStringLiteral("hyper"),
    };
    return terminals.contains(instance, Qt::CaseInsensitive) ||
           terminals.contains(windowClass, Qt::CaseInsensitive);
}

}  // namespace Platform
