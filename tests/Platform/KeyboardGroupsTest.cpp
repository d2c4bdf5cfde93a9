#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Platform/linux/KeyboardGroups.h"

using namespace Platform;

namespace {

// The letters of the keys that matter here in the layouts used below, by key code; Cyrillic
// letters as their keysyms.
constexpr quint32 em = 0x6cd, es = 0x6f3, ya = 0x6d1, tse = 0x6c3;
const std::map<std::string, std::map<int, quint32>> layouts = {
    {"us", {{24, 'q'}, {25, 'w'}, {29, 'y'}, {45, 'k'}, {52, 'z'}, {54, 'c'}, {55, 'v'},
            {60, '.'}, {36, 0xff0d}, {37, 0xffe3}, {50, 0xffe1}, {118, 0xff63}}},
    {"fr", {{24, 'a'}, {25, 'z'}, {29, 'y'}, {45, 'k'}, {52, 'w'}, {54, 'c'}, {55, 'v'},
            {60, ':'}, {36, 0xff0d}, {37, 0xffe3}, {50, 0xffe1}, {118, 0xff63}}},
    {"de", {{24, 'q'}, {25, 'w'}, {29, 'z'}, {45, 'k'}, {52, 'y'}, {54, 'c'}, {55, 'v'},
            {60, '.'}, {36, 0xff0d}, {37, 0xffe3}, {50, 0xffe1}, {118, 0xff63}}},
    {"dvorak", {{24, '\''}, {25, ','}, {29, 'f'}, {45, 't'}, {52, ';'}, {54, 'j'}, {55, 'k'},
                {60, 'v'}, {61, 'z'}, {36, 0xff0d}, {37, 0xffe3}, {50, 0xffe1}, {118, 0xff63}}},
    {"ru", {{24, 0x6ca}, {25, tse}, {29, 0x6ce}, {45, 0x6cc}, {52, ya}, {54, es}, {55, em},
            {60, 0x6c0}, {36, 0xff0d}, {37, 0xffe3}, {50, 0xffe1}, {118, 0xff63}}},
};

// A keyboard with the named layouts as its groups, in order. Return, Control, Shift and
// Insert have one group only, as in the server's maps: they wrap.
KeyboardGroups keyboard(std::initializer_list<std::string> groups) {
    std::array<KeyboardGroups::Symbols, 256> keys{};
    for (const std::string& name : groups) {
        for (const auto& [code, symbol] : layouts.at(name)) {
            const bool single = symbol >= 0xff00;
            if (!single || keys[size_t(code)].empty())
                keys[size_t(code)].push_back(symbol);
        }
    }
    return KeyboardGroups(keys);
}

}  // namespace

// The key Tavrin presses is the one that types the symbol in the group in force: with a second
// layout, the lowest code that carries it in any group is another letter (Control+W closed the
// browser's window for an undo).
TEST(KeyboardGroupsTest, TheKeyForASymbolIsTheOneThatTypesItInTheGroupInForce) {
    struct Case {
        const char* name;
        std::initializer_list<std::string> groups;
        int group;
        quint32 symbol;
        quint8 key;
    };
    const Case cases[] = {
        {"us,fr with US: z is US z, not the French z on US w", {"us", "fr"}, 0, 'z', 52},
        {"us,fr with French: z is the French z", {"us", "fr"}, 1, 'z', 25},
        {"us,de with US: z is not US y", {"us", "de"}, 0, 'z', 52},
        {"de,us with US: z is not US y", {"de", "us"}, 1, 'z', 52},
        {"de,us with German: z on the German key", {"de", "us"}, 0, 'z', 29},
        {"us and Dvorak with Dvorak: v is Dvorak v, not US v (Dvorak k)",
         {"us", "dvorak"}, 1, 'v', 60},
        {"us and Dvorak with US", {"us", "dvorak"}, 0, 'v', 55},
        {"ru,us with Russian: no Russian v, the key programs read as v", {"ru", "us"}, 0, 'v', 55},
        {"us,ru with Russian", {"us", "ru"}, 1, 'c', 54},
        {"a single-group key wraps: Return in the second group", {"us", "fr"}, 1, 0xff0d, 36},
        {"Control in the third group of a two-group key map wraps", {"us", "ru"}, 2, 0xffe3, 37},
        {"a symbol no key types", {"us", "fr"}, 0, 0x10000e4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyboard(c.groups).keyFor(c.symbol, c.group), c.key);
    }
}

// The user's paste chord is judged as programs match their shortcuts: in the group in force,
// and across groups only where that group types no Latin letter on the key.
TEST(KeyboardGroupsTest, AKeyIsVWhereProgramsReadItAsV) {
    struct Case {
        const char* name;
        std::initializer_list<std::string> groups;
        int group;
        quint8 code;
        bool v;
    };
    const Case cases[] = {
        {"ru,us with Russian: Cyrillic em pastes", {"ru", "us"}, 0, 55, true},
        {"ru,us with US", {"ru", "us"}, 1, 55, true},
        {"ru,us: Cyrillic es is c, no v", {"ru", "us"}, 0, 54, false},
        {"us,ru with Russian", {"us", "ru"}, 1, 55, true},
        {"Dvorak locked: the Dvorak v key", {"us", "dvorak"}, 1, 60, true},
        {"Dvorak locked: Dvorak k on the US v key is k", {"us", "dvorak"}, 1, 55, false},
        {"us,fr with French: the French w on US z is w", {"fr", "us"}, 0, 52, false},
        {"us alone", {"us"}, 0, 55, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyboard(c.groups).matches(c.code, c.group, 'v'), c.v);
    }
}
