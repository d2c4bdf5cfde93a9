#include "GlobalShortcuts/Key.h"

#include <Qt>
#include <algorithm>
#include <array>

namespace GlobalShortcuts {

namespace {

constexpr std::array knownCodes = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   11,  12,  13,  14,  15,  16,  17,  18,  19,
    20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,  35,  36,  37,  38,
    39,  40,  41,  42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  53,  54,  55,  56,  57,  58,
    59,  60,  61,  62,  63,  64,  65,  67,  69,  71,  72,  73,  74,  75,  76,  78,  79,  80,  81,
    82,  83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  96,  97,  98,  99,  100, 101, 103, 105,
    106, 107, 109, 111, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126};

// Qt keys and the positions that type them on a US keyboard.
constexpr std::pair<int, Key> qtKeys[] = {
    {Qt::Key_A, Key::a},
    {Qt::Key_B, Key::b},
    {Qt::Key_C, Key::c},
    {Qt::Key_D, Key::d},
    {Qt::Key_E, Key::e},
    {Qt::Key_F, Key::f},
    {Qt::Key_G, Key::g},
    {Qt::Key_H, Key::h},
    {Qt::Key_I, Key::i},
    {Qt::Key_J, Key::j},
    {Qt::Key_K, Key::k},
    {Qt::Key_L, Key::l},
    {Qt::Key_M, Key::m},
    {Qt::Key_N, Key::n},
    {Qt::Key_O, Key::o},
    {Qt::Key_P, Key::p},
    {Qt::Key_Q, Key::q},
    {Qt::Key_R, Key::r},
    {Qt::Key_S, Key::s},
    {Qt::Key_T, Key::t},
    {Qt::Key_U, Key::u},
    {Qt::Key_V, Key::v},
    {Qt::Key_W, Key::w},
    {Qt::Key_X, Key::x},
    {Qt::Key_Y, Key::y},
    {Qt::Key_Z, Key::z},
    {Qt::Key_0, Key::zero},
    {Qt::Key_1, Key::one},
    {Qt::Key_2, Key::two},
    {Qt::Key_3, Key::three},
    {Qt::Key_4, Key::four},
    {Qt::Key_5, Key::five},
    {Qt::Key_6, Key::six},
    {Qt::Key_7, Key::seven},
    {Qt::Key_8, Key::eight},
    {Qt::Key_9, Key::nine},
    {Qt::Key_Equal, Key::equal},
    {Qt::Key_Minus, Key::minus},
    {Qt::Key_BracketRight, Key::rightBracket},
    {Qt::Key_BracketLeft, Key::leftBracket},
    {Qt::Key_Apostrophe, Key::quote},
    {Qt::Key_Semicolon, Key::semicolon},
    {Qt::Key_Backslash, Key::backslash},
    {Qt::Key_Comma, Key::comma},
    {Qt::Key_Slash, Key::slash},
    {Qt::Key_Period, Key::period},
    {Qt::Key_QuoteLeft, Key::backtick},
    {Qt::Key_Return, Key::return_},
    {Qt::Key_Enter, Key::keypadEnter},
    {Qt::Key_Tab, Key::tab},
    {Qt::Key_Backtab, Key::tab},
    {Qt::Key_Space, Key::space},
    {Qt::Key_Backspace, Key::delete_},
    {Qt::Key_Escape, Key::escape},
    {Qt::Key_Delete, Key::deleteForward},
    {Qt::Key_Insert, Key::help},
    {Qt::Key_Help, Key::help},
    {Qt::Key_Home, Key::home},
    {Qt::Key_End, Key::end},
    {Qt::Key_PageUp, Key::pageUp},
    {Qt::Key_PageDown, Key::pageDown},
    {Qt::Key_Left, Key::leftArrow},
    {Qt::Key_Right, Key::rightArrow},
    {Qt::Key_Up, Key::upArrow},
    {Qt::Key_Down, Key::downArrow},
    {Qt::Key_F1, Key::f1},
    {Qt::Key_F2, Key::f2},
    {Qt::Key_F3, Key::f3},
    {Qt::Key_F4, Key::f4},
    {Qt::Key_F5, Key::f5},
    {Qt::Key_F6, Key::f6},
    {Qt::Key_F7, Key::f7},
    {Qt::Key_F8, Key::f8},
    {Qt::Key_F9, Key::f9},
    {Qt::Key_F10, Key::f10},
    {Qt::Key_F11, Key::f11},
    {Qt::Key_F12, Key::f12},
    {Qt::Key_F13, Key::f13},
    {Qt::Key_F14, Key::f14},
    {Qt::Key_F15, Key::f15},
    {Qt::Key_F16, Key::f16},
    {Qt::Key_F17, Key::f17},
    {Qt::Key_F18, Key::f18},
    {Qt::Key_F19, Key::f19},
    {Qt::Key_F20, Key::f20},
    {Qt::Key_VolumeUp, Key::volumeUp},
    {Qt::Key_VolumeDown, Key::volumeDown},
    {Qt::Key_VolumeMute, Key::mute},
};

}  // namespace

bool Key::isKnown(int rawValue) {
    return std::find(knownCodes.begin(), knownCodes.end(), rawValue) != knownCodes.end();
}

std::optional<Key> Key::fromQtKey(int qtKey) {
    for (const auto& [qt, key] : qtKeys) {
        if (qt == qtKey)
            return key;
    }
    return std::nullopt;
}

}  // namespace GlobalShortcuts
