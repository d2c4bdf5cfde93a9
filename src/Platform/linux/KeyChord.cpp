#include "Platform/linux/KeyChord.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <mutex>

#include <xkbcommon/xkbcommon-keysyms.h>

#include "Platform/KeySender.h"

namespace Platform {

namespace {

std::optional<quint32> keysymFor(quint16 keyCode) {
    switch (keyCode) {
        case VirtualKey::C:
            return XKB_KEY_c;
        case VirtualKey::V:
            return XKB_KEY_v;
        case VirtualKey::Z:
            return XKB_KEY_z;
        case VirtualKey::Return:
            return XKB_KEY_Return;
        case VirtualKey::Insert:
            return XKB_KEY_Insert;
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
        if (chord.keysym == XKB_KEY_z)
            return std::nullopt;
        // A stock xterm binds neither: the program in it would get the control character.
        // It pastes with Shift+Insert, which the paste sends of its own accord; so does a
        // terminal whose keys are not known.
        if ((chord.keysym == XKB_KEY_c || chord.keysym == XKB_KEY_v) &&
            (target == KeyTarget::XTermFamily || target == KeyTarget::OtherTerminal))
            return std::nullopt;
        if (chord.keysym == XKB_KEY_c || chord.keysym == XKB_KEY_v)
            chord.shift = true;
    }
    return chord;
}

namespace {

// Measured for xterm; the rxvt line has no Control+Shift+C for the clipboard either.
const QStringList& xtermFamily() {
    static const QStringList names = {
        QStringLiteral("xterm"), QStringLiteral("uxterm"), QStringLiteral("rxvt"),
        QStringLiteral("urxvt"), QStringLiteral("aterm"),  QStringLiteral("eterm"),
    };
    return names;
}

// WM_CLASS names, compared without case: instance names and class names differ in case
// between versions ("xterm"/"XTerm", "konsole"/"Konsole").
const QStringList& terminals() {
    static const QStringList names = {
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
    return names;
}

// Executables whose windows the lists above know under other names.
const QStringList& terminalPrograms() {
    static const QStringList names = {
        QStringLiteral("wezterm-gui"),
        QStringLiteral("kitty"),
        QStringLiteral("alacritty"),
    };
    return names;
}

}  // namespace

KeyTarget keyTargetOf(const QString& instance, const QString& windowClass) {
    const auto named = [&](const QStringList& names) {
        return names.contains(instance, Qt::CaseInsensitive) ||
               names.contains(windowClass, Qt::CaseInsensitive);
    };
    if (named(xtermFamily()))
        return KeyTarget::XTermFamily;
    return named(terminals()) ? KeyTarget::Terminal : KeyTarget::Application;
}

KeyTarget keyTargetOfProgram(const QByteArray& executable, const QByteArray& libraries) {
    const QString name = QFileInfo(QString::fromLocal8Bit(executable)).fileName();
    if (xtermFamily().contains(name, Qt::CaseInsensitive))
        return KeyTarget::XTermFamily;
    if (terminals().contains(name, Qt::CaseInsensitive) ||
        terminalPrograms().contains(name, Qt::CaseInsensitive))
        return KeyTarget::Terminal;
    // A program built on a terminal widget shows a shell, whatever it calls its windows.
    for (const char* widget : {"/libvte-", "/libqtermwidget", "/libkonsoleprivate"}) {
        if (libraries.contains(widget))
            return KeyTarget::OtherTerminal;
    }
    return KeyTarget::Application;
}

namespace {

// A process's start time, in the kernel's ticks since boot: with its number it names one process,
// not a later one that got the same number.
QByteArray startOf(const QString& process) {
    QFile stat(process + QStringLiteral("stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.read(4096);
    // The name in parentheses may hold blanks; the fields after it are plain. The start time
    // is the twentieth of those.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(19);
}

// The kind of window the program behind `pid` shows, read from /proc once per process: keys
// go out on the main thread, and the maps of a large program run to a few hundred kilobytes.
KeyTarget programTarget(qint64 pid) {
    static std::mutex mutex;
    static QHash<qint64, std::pair<QByteArray, KeyTarget>> known;
    const QString process = QStringLiteral("/proc/%1/").arg(pid);
    const QByteArray start = startOf(process);
    if (start.isEmpty())
        return KeyTarget::Application;
    {
        std::lock_guard lock(mutex);
        if (auto found = known.constFind(pid); found != known.constEnd() && found->first == start)
            return found->second;
    }
    QByteArray libraries;
    QFile maps(process + QStringLiteral("maps"));
    if (maps.open(QIODevice::ReadOnly))
        libraries = maps.read(4 * 1024 * 1024);
    const KeyTarget target = keyTargetOfProgram(
        QFile::symLinkTarget(process + QStringLiteral("exe")).toLocal8Bit(), libraries);
    std::lock_guard lock(mutex);
    // Windows come from few programs; a long session's stale entries go all at once.
    if (known.size() > 256)
        known.clear();
    known.insert(pid, {start, target});
    return target;
}

}  // namespace

KeyTarget keyTargetOf(const QString& instance, const QString& windowClass, qint64 pid) {
    const KeyTarget byClass = keyTargetOf(instance, windowClass);
    if (byClass != KeyTarget::Application || pid <= 0)
        return byClass;
    return programTarget(pid);
}

}  // namespace Platform
