#pragma once

#include <QHash>
#include <QSet>
#include <map>

#include "Platform/HotKeyGrabber.h"

namespace Platform {

// Hot keys without a keyboard server: a test decides which combinations others hold and
// presses and releases combinations itself. Letters and digits follow a US layout.
class FakeHotKeyGrabber final : public HotKeyGrabber {
    Q_OBJECT
public:
    using HotKeyGrabber::HotKeyGrabber;

    Status grab(quint32 id, int keyCode, int modifiers) override;
    void release(quint32 id) override;
    bool isReserved(int keyCode, int modifiers) override;
    std::optional<char32_t> character(int keyCode) override;
    std::optional<int> keyCodeOfScanCode(quint32) override { return std::nullopt; }

    // Presses the combination: every id that grabbed it fires. False when none did.
    bool press(int keyCode, int modifiers);
    bool releaseKey(int keyCode, int modifiers);
    // Another key pressed while a grabbed combination is down.
    void pressOther(int keyCode) { emit otherKeyPressed(keyCode); }
    // Whether the combination is grabbed at the moment.
    bool isGrabbed(int keyCode, int modifiers) const;
    int grabCount() const { return int(grabs_.size()); }

    // Combinations another program holds: grabbing them fails with Taken.
    QSet<std::pair<int, int>> taken;
    // Characters of keys, replacing the US ones (a layout change).
    QHash<int, char32_t> characters;

private:
    bool fire(int keyCode, int modifiers, bool press);

    std::map<quint32, std::pair<int, int>> grabs_;
};

}  // namespace Platform
