#include <gtest/gtest.h>

#include "Platform/KeySender.h"
#include "Platform/linux/KeyChord.h"

using namespace Platform;

TEST(KeyChordTest, CommandBecomesControlAndTerminalsGetTheirOwnCombinations) {
    constexpr quint32 c = 0x63, v = 0x76, z = 0x7a, ret = 0xff0d;
    struct Case {
        quint16 keyCode;
        quint64 flags;
        bool terminal;
        std::optional<KeyChord> chord;
    };
    const Case cases[] = {
        {VirtualKey::V, EventFlag::Command, false, KeyChord{v, true, false, false}},
        {VirtualKey::C, EventFlag::Command, false, KeyChord{c, true, false, false}},
        {VirtualKey::Z, EventFlag::Command, false, KeyChord{z, true, false, false}},
        {VirtualKey::Return, EventFlag::None, false, KeyChord{ret, false, false, false}},
        {VirtualKey::V, EventFlag::Command, true, KeyChord{v, true, true, false}},
        {VirtualKey::C, EventFlag::Command, true, KeyChord{c, true, true, false}},
        {VirtualKey::C, EventFlag::Control, true, KeyChord{c, true, true, false}},
        {VirtualKey::Return, EventFlag::None, true, KeyChord{ret, false, false, false}},
        // Control+Z would suspend the terminal's program.
        {VirtualKey::Z, EventFlag::Command, true, std::nullopt},
        {VirtualKey::Z, EventFlag::Control | EventFlag::Shift, true, std::nullopt},
        // Without Control the letters are plain typing, in a terminal too.
        {VirtualKey::C, EventFlag::None, true, KeyChord{c, false, false, false}},
        {VirtualKey::V, EventFlag::Option | EventFlag::Shift, false,
         KeyChord{v, false, true, true}},
        {99, EventFlag::Command, false, std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message()
                     << test.keyCode << " " << test.flags << " " << test.terminal);
        EXPECT_EQ(KeyChord::forKey(test.keyCode, test.flags, test.terminal), test.chord);
    }
}

TEST(KeyChordTest, TerminalsAreKnownByEitherWmClassName) {
    struct Case {
        const char* instance;
        const char* windowClass;
        bool terminal;
    };
    const Case cases[] = {
        {"xterm", "XTerm", true},
        {"gnome-terminal-server", "Gnome-terminal", true},
        {"konsole", "konsole", true},
        {"Alacritty", "Alacritty", true},
        {"main", "kitty", true},
        {"kate", "kate", false},
        {"xtermcontrol-gui", "Xtermcontrol", false},
        {"", "", false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.instance);
        EXPECT_EQ(isTerminalWindowClass(QString::fromLatin1(test.instance),
                                        QString::fromLatin1(test.windowClass)),
                  test.terminal);
    }
}
