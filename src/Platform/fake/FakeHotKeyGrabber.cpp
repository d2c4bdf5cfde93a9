#include "Platform/fake/FakeHotKeyGrabber.h"

namespace Platform {

namespace {

// Positions of the letters and digits on a US keyboard, in stored key codes.
constexpr std::pair<int, char32_t> usKeys[] = {
    {0, U'a'},  {1, U's'},  {2, U'd'},   {3, U'f'},  {4, U'h'},  {5, U'g'},   {6, U'z'},
    {7, U'x'},  {8, U'c'},  {9, U'v'},   {11, U'b'}, {12, U'q'}, {13, U'w'},  {14, U'e'},
    {15, U'r'}, {16, U'y'}, {17, U't'},  {18, U'1'}, {19, U'2'}, {20, U'3'},  {21, U'4'},
    {22, U'6'}, {23, U'5'}, {24, U'='},  {25, U'9'}, {26, U'7'}, {27, U'-'},  {28, U'8'},
    {29, U'0'}, {30, U']'}, {31, U'o'},  {32, U'u'}, {33, U'['}, {34, U'i'},  {35, U'p'},
    {37, U'l'}, {38, U'j'}, {39, U'\''}, {40, U'k'}, {41, U';'}, {42, U'\\'}, {43, U','},
    {44, U'/'}, {45, U'n'}, {46, U'm'},  {47, U'.'}, {49, U' '}, {50, U'`'},
};

}  // namespace

HotKeyGrabber::Status FakeHotKeyGrabber::grab(quint32 id, int keyCode, int modifiers) {
    if (modifiers & Function)
        return Status::UnsupportedModifier;
    if (taken.contains({keyCode, modifiers}))
        return Status::Taken;
    grabs_[id] = {keyCode, modifiers};
    return Status::Accepted;
}

void FakeHotKeyGrabber::release(quint32 id) {
    grabs_.erase(id);
}

bool FakeHotKeyGrabber::isReserved(int keyCode, int modifiers) {
    return taken.contains({keyCode, modifiers});
}

std::optional<char32_t> FakeHotKeyGrabber::character(int keyCode) {
    if (const auto found = characters.constFind(keyCode); found != characters.constEnd())
        return *found;
    for (const auto& [code, character] : usKeys) {
        if (code == keyCode)
            return character;
    }
    return std::nullopt;
}

bool FakeHotKeyGrabber::press(int keyCode, int modifiers) {
    return fire(keyCode, modifiers, true);
}

bool FakeHotKeyGrabber::releaseKey(int keyCode, int modifiers) {
    return fire(keyCode, modifiers, false);
}

bool FakeHotKeyGrabber::isGrabbed(int keyCode, int modifiers) const {
    for (const auto& [id, combination] : grabs_) {
        if (combination == std::pair(keyCode, modifiers))
            return true;
    }
    return false;
}

bool FakeHotKeyGrabber::fire(int keyCode, int modifiers, bool press) {
    // A copy: a handler may grab or release while we walk.
    const auto grabs = grabs_;
    bool fired = false;
    for (const auto& [id, combination] : grabs) {
        if (combination != std::pair(keyCode, modifiers))
            continue;
        fired = true;
        if (press)
            emit pressed(id);
        else
            emit released(id);
    }
    return fired;
}

}  // namespace Platform
