#include <gtest/gtest.h>

#include "Platform/KeySender.h"
#include "Platform/linux/KeyChord.h"

using namespace Platform;

TEST(KeyChordTest, CommandBecomesControlAndTerminalsGetTheirOwnCombinations) {
    constexpr quint32 c = 0x63, v = 0x76, z = 0x7a, ret = 0xff0d, insert = 0xff63;
    constexpr auto app = KeyTarget::Application, terminal = KeyTarget::Terminal,
                   xterm = KeyTarget::XTermFamily;
    struct Case {
        quint16 keyCode;
        quint64 flags;
        KeyTarget target;
        std::optional<KeyChord> chord;
    };
    const Case cases[] = {
        {VirtualKey::V, EventFlag::Command, app, KeyChord{v, true, false, false}},
        {VirtualKey::C, EventFlag::Command, app, KeyChord{c, true, false, false}},
        {VirtualKey::Z, EventFlag::Command, app, KeyChord{z, true, false, false}},
        {VirtualKey::Return, EventFlag::None, app, KeyChord{ret, false, false, false}},
        {VirtualKey::V, EventFlag::Command, terminal, KeyChord{v, true, true, false}},
        {VirtualKey::C, EventFlag::Command, terminal, KeyChord{c, true, true, false}},
        {VirtualKey::C, EventFlag::Control, terminal, KeyChord{c, true, true, false}},
        {VirtualKey::Return, EventFlag::None, terminal, KeyChord{ret, false, false, false}},
        // Control+Z would suspend the terminal's program.
        {VirtualKey::Z, EventFlag::Command, terminal, std::nullopt},
        {VirtualKey::Z, EventFlag::Control | EventFlag::Shift, terminal, std::nullopt},
        // Without Control the letters are plain typing, in a terminal too.
        {VirtualKey::C, EventFlag::None, terminal, KeyChord{c, false, false, false}},
        {VirtualKey::V, EventFlag::Option | EventFlag::Shift, app, KeyChord{v, false, true, true}},
        {99, EventFlag::Command, app, std::nullopt},
        // xterm hands Control+Shift+C to its program as Control+C.
        {VirtualKey::C, EventFlag::Command, xterm, std::nullopt},
        // A stock xterm binds no Control+Shift+V either: its program would get Control+V.
        {VirtualKey::V, EventFlag::Command, xterm, std::nullopt},
        {VirtualKey::Insert, EventFlag::Shift, xterm, KeyChord{insert, false, true, false}},
        {VirtualKey::Insert, EventFlag::Shift, app, KeyChord{insert, false, true, false}},
        {VirtualKey::Z, EventFlag::Command, xterm, std::nullopt},
        {VirtualKey::Return, EventFlag::None, xterm, KeyChord{ret, false, false, false}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message()
                     << test.keyCode << " " << test.flags << " " << static_cast<int>(test.target));
        EXPECT_EQ(KeyChord::forKey(test.keyCode, test.flags, test.target), test.chord);
    }
}

TEST(KeyChordTest, TerminalsAreKnownByEitherWmClassName) {
    struct Case {
        const char* instance;
        const char* windowClass;
        KeyTarget target;
    };
    const Case cases[] = {
        {"xterm", "XTerm", KeyTarget::XTermFamily},
        {"urxvt", "URxvt", KeyTarget::XTermFamily},
        {"gnome-terminal-server", "Gnome-terminal", KeyTarget::Terminal},
        {"konsole", "konsole", KeyTarget::Terminal},
        {"Alacritty", "Alacritty", KeyTarget::Terminal},
        {"main", "kitty", KeyTarget::Terminal},
        {"kate", "kate", KeyTarget::Application},
        {"xtermcontrol-gui", "Xtermcontrol", KeyTarget::Application},
        {"", "", KeyTarget::Application},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.instance);
        EXPECT_EQ(
            keyTargetOf(QString::fromLatin1(test.instance), QString::fromLatin1(test.windowClass)),
            test.target);
    }
}

// A terminal under a window class of its own, or one no list names, is known by its program:
// the executable's name, else the terminal widget it has loaded. Its paste key is Shift+Insert
// and neither Control+V nor Control+Shift+V, which such a terminal may hand its program.
TEST(KeyChordTest, TerminalsAreKnownByTheirProgramWhereTheWindowClassSaysNothing) {
    struct Case {
        const char* name;
        QByteArray executable;
        QByteArray libraries;
        KeyTarget target;
    };
    const QByteArray vte = "7f00-7f10 r-xp 00000000 08:01 12 /usr/lib/x86_64-linux-gnu/libvte-2.91.so.0\n";
    const Case cases[] = {
        {"an xterm started with -class", "/usr/bin/xterm", "", KeyTarget::XTermFamily},
        {"urxvt", "/usr/bin/urxvt", "", KeyTarget::XTermFamily},
        {"a listed terminal under another class", "/usr/bin/kitty", "", KeyTarget::Terminal},
        {"termit, built on the terminal widget", "/usr/bin/termit", vte, KeyTarget::OtherTerminal},
        {"an editor", "/usr/bin/mousepad", "", KeyTarget::Application},
        {"nothing known", "", "", KeyTarget::Application},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(keyTargetOfProgram(test.executable, test.libraries), test.target);
    }
    constexpr quint32 v = 0x76, insert = 0xff63;
    EXPECT_EQ(KeyChord::forKey(VirtualKey::V, EventFlag::Command, KeyTarget::OtherTerminal),
              std::nullopt);
    EXPECT_EQ(KeyChord::forKey(VirtualKey::Insert, EventFlag::Shift, KeyTarget::OtherTerminal),
              (KeyChord{insert, false, true, false}));
    EXPECT_EQ(KeyChord::forKey(VirtualKey::V, EventFlag::Command, KeyTarget::Terminal),
              (KeyChord{v, true, true, false}));
}
