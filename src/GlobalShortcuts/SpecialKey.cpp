#include "GlobalShortcuts/SpecialKey.h"

#include <Qt>

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Strings.h"

namespace GlobalShortcuts::SpecialKeys {

namespace {

constexpr std::pair<Key, SpecialKey> mapping[] = {
    {Key::return_, SpecialKey::Return},
    {Key::delete_, SpecialKey::Delete},
    {Key::deleteForward, SpecialKey::DeleteForward},
    {Key::end, SpecialKey::End},
    {Key::escape, SpecialKey::Escape},
    {Key::help, SpecialKey::Help},
    {Key::home, SpecialKey::Home},
    {Key::space, SpecialKey::Space},
    {Key::tab, SpecialKey::Tab},
    {Key::pageUp, SpecialKey::PageUp},
    {Key::pageDown, SpecialKey::PageDown},
    {Key::upArrow, SpecialKey::UpArrow},
    {Key::rightArrow, SpecialKey::RightArrow},
    {Key::downArrow, SpecialKey::DownArrow},
    {Key::leftArrow, SpecialKey::LeftArrow},
    {Key::f1, SpecialKey::F1},
    {Key::f2, SpecialKey::F2},
    {Key::f3, SpecialKey::F3},
    {Key::f4, SpecialKey::F4},
    {Key::f5, SpecialKey::F5},
    {Key::f6, SpecialKey::F6},
    {Key::f7, SpecialKey::F7},
    {Key::f8, SpecialKey::F8},
    {Key::f9, SpecialKey::F9},
    {Key::f10, SpecialKey::F10},
    {Key::f11, SpecialKey::F11},
    {Key::f12, SpecialKey::F12},
    {Key::f13, SpecialKey::F13},
    {Key::f14, SpecialKey::F14},
    {Key::f15, SpecialKey::F15},
    {Key::f16, SpecialKey::F16},
    {Key::f17, SpecialKey::F17},
    {Key::f18, SpecialKey::F18},
    {Key::f19, SpecialKey::F19},
    {Key::f20, SpecialKey::F20},
    {Key::keypad0, SpecialKey::Keypad0},
    {Key::keypad1, SpecialKey::Keypad1},
    {Key::keypad2, SpecialKey::Keypad2},
    {Key::keypad3, SpecialKey::Keypad3},
    {Key::keypad4, SpecialKey::Keypad4},
    {Key::keypad5, SpecialKey::Keypad5},
    {Key::keypad6, SpecialKey::Keypad6},
    {Key::keypad7, SpecialKey::Keypad7},
    {Key::keypad8, SpecialKey::Keypad8},
    {Key::keypad9, SpecialKey::Keypad9},
    {Key::keypadClear, SpecialKey::KeypadClear},
    {Key::keypadDecimal, SpecialKey::KeypadDecimal},
    {Key::keypadDivide, SpecialKey::KeypadDivide},
    {Key::keypadEnter, SpecialKey::KeypadEnter},
    {Key::keypadEquals, SpecialKey::KeypadEquals},
    {Key::keypadMinus, SpecialKey::KeypadMinus},
    {Key::keypadMultiply, SpecialKey::KeypadMultiply},
    {Key::keypadPlus, SpecialKey::KeypadPlus},
};

bool isKeypad(SpecialKey key) {
    return key >= SpecialKey::Keypad0;
}

}  // namespace

std::optional<SpecialKey> of(int keyCode) {
    for (const auto& [key, special] : mapping) {
        if (key.rawValue == keyCode)
            return special;
    }
    return std::nullopt;
}

QString presentableDescription(SpecialKey key) {
    if (key >= SpecialKey::F1 && key <= SpecialKey::F20)
        return QStringLiteral("F%1").arg(int(key) - int(SpecialKey::F1) + 1);
    if (isKeypad(key)) {
        static const char16_t* const bases[] = {u"0", u"1",      u"2", u"3", u"4",      u"5",
                                                u"6", u"7",      u"8", u"9", u"\u2612", u".",
                                                u"/", u"\u21A9", u"=", u"-", u"*",      u"+"};
        return QString::fromUtf16(bases[int(key) - int(SpecialKey::Keypad0)]) + QChar(0x20E3);
    }
    switch (key) {
        case SpecialKey::Return:
            return QStringLiteral("\u21A9");
        case SpecialKey::Delete:
            return QStringLiteral("\u232B");
        case SpecialKey::DeleteForward:
            return QStringLiteral("\u2326");
        case SpecialKey::End:
            return QStringLiteral("\u2198");
        case SpecialKey::Escape:
            return QStringLiteral("\u238B");
        case SpecialKey::Help:
            return QStringLiteral("?\u20DD");
        case SpecialKey::Home:
            return QStringLiteral("\u2196");
        case SpecialKey::Space: {
            const QString name = Strings::text("space_key");
            return name.isEmpty() ? name : name.front().toUpper() + name.mid(1);
        }
        case SpecialKey::Tab:
            return QStringLiteral("\u21E5");
        case SpecialKey::PageUp:
            return QStringLiteral("\u21DE");
        case SpecialKey::PageDown:
            return QStringLiteral("\u21DF");
        case SpecialKey::UpArrow:
            return QStringLiteral("\u2191");
        case SpecialKey::RightArrow:
            return QStringLiteral("\u2192");
        case SpecialKey::DownArrow:
            return QStringLiteral("\u2193");
        case SpecialKey::LeftArrow:
            return QStringLiteral("\u2190");
        default:
            return {};
    }
}

std::optional<int> qtKey(SpecialKey key) {
    if (key >= SpecialKey::F1 && key <= SpecialKey::F20)
        return Qt::Key_F1 + (int(key) - int(SpecialKey::F1));
    switch (key) {
        case SpecialKey::Return:
            return Qt::Key_Return;
        case SpecialKey::Delete:
            return Qt::Key_Backspace;
        case SpecialKey::DeleteForward:
            return Qt::Key_Delete;
        case SpecialKey::End:
            return Qt::Key_End;
        case SpecialKey::Escape:
            return Qt::Key_Escape;
        case SpecialKey::Help:
            return Qt::Key_Help;
        case SpecialKey::Home:
            return Qt::Key_Home;
        case SpecialKey::Space:
            return Qt::Key_Space;
        case SpecialKey::Tab:
            return Qt::Key_Tab;
        case SpecialKey::PageUp:
            return Qt::Key_PageUp;
        case SpecialKey::PageDown:
            return Qt::Key_PageDown;
        case SpecialKey::UpArrow:
            return Qt::Key_Up;
        case SpecialKey::RightArrow:
            return Qt::Key_Right;
        case SpecialKey::DownArrow:
            return Qt::Key_Down;
        case SpecialKey::LeftArrow:
            return Qt::Key_Left;
        default:
            return std::nullopt;
    }
}

}  // namespace GlobalShortcuts::SpecialKeys
