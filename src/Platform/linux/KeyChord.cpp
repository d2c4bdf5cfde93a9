#include "Platform/linux/KeyChord.h"

#include <QStringList>

#include "Platform/KeySender.h"

namespace Platform {

namespace {

constexpr quint32 keysymC = 0x0063;
constexpr quint32 keysymV = 0x0076;
constexpr quint32 keysymZ = 0x007a;
constexpr quint32 keysymReturn = 0xff0d;
constexpr quint32 keysymInsert = 0xff63;

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
        case VirtualKey::Insert:
            return keysymInsert;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<KeyChord> KeyChord::forKey(quint16 keyCode, quint64 flags, KeyTarget target) {
    const auto keysym = keysymFor(keyCode);
    if (!keysym)
        return std::nullopt;
    KeyChord chord;
    chord.keysym = *keysym;
    chord.control = flags & (EventFlag::Command | EventFlag::Control);
    chord.shift = flags & EventFlag::Shift;
    chord.alt = flags & EventFlag::Option;
    if (target != KeyTarget::Application && chord.control) {
        if (chord.keysym == keysymZ)
            return std::nullopt;
        // A stock xterm binds neither: the program in it would get the control character.
        // It pastes with Shift+Insert, which the paste sends of its own accord.
        if ((chord.keysym == keysymC || chord.keysym == keysymV) &&
            target == KeyTarget::XTermFamily)
            return std::nullopt;
        if (chord.keysym == keysymC || chord.keysym == keysymV)
            chord.shift = true;
    }
    return chord;
}

KeyTarget keyTargetOf(const QString& instance, const QString& windowClass) {
    // Measured for xterm; the rxvt line has no Control+Shift+C for the clipboard either.
    static const QStringList xtermFamily = {
        QStringLiteral("xterm"), QStringLiteral("uxterm"), QStringLiteral("rxvt"),
        QStringLiteral("urxvt"), QStringLiteral("aterm"),  QStringLiteral("eterm"),
    };
    // WM_CLASS names, compared without case: instance names and class names differ in case
    // between versions ("xterm"/"XTerm", "konsole"/"Konsole").
    static const QStringList terminals = {
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
        QStringLiteral("termite"),
        QStringLiteral("hyper"),
    };
    const auto named = [&](const QStringList& names) {
        return names.contains(instance, Qt::CaseInsensitive) ||
               names.contains(windowClass, Qt::CaseInsensitive);
    };
    if (named(xtermFamily))
        return KeyTarget::XTermFamily;
    return named(terminals) ? KeyTarget::Terminal : KeyTarget::Application;
}

}  // namespace Platform
