#pragma once

#include <QHash>
#include <QSet>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

#include "Platform/HotKeyGrabber.h"

class QSocketNotifier;

namespace Platform {

class XcbConnection;

// Hot keys as passive key grabs on the root window, on a connection of our own that is read
// on the main thread. Every combination is grabbed four times (with and without Num Lock,
// with and without Caps Lock), so that the lock keys do not switch it off. Presses of a key
// that is already down are repeats and are dropped; the release is matched by key code
// alone, because it arrives without the modifiers when they were let go first.
class X11HotKeyGrabber final : public HotKeyGrabber {
    Q_OBJECT
public:
    // `display` empty: $DISPLAY. Without a server every grab answers Unavailable.
    explicit X11HotKeyGrabber(const QByteArray& display = {}, QObject* parent = nullptr);
    ~X11HotKeyGrabber() override;

    Status grab(quint32 id, int keyCode, int modifiers) override;
    void release(quint32 id) override;
    bool isReserved(int keyCode, int modifiers) override;
    std::optional<char32_t> character(int keyCode) override;
    std::optional<int> keyCodeOfScanCode(quint32 scanCode) override;

    // Whether the server agreed to report held keys as repeated presses without releases.
    bool hasDetectableAutoRepeat() const { return detectableAutoRepeat_; }

    quint32 lastEventTime() const override { return lastEventTime_; }

private:
    // A combination as the server sees it.
    struct XCombination {
        quint8 key = 0;
        quint16 modifiers = 0;
        bool operator==(const XCombination&) const = default;
    };
    struct Grab {
        int keyCode = 0;
        int modifiers = 0;
        XCombination x;
    };
    struct Keyboard;

    void loadKeyboard();
    std::optional<XCombination> resolve(int keyCode, int modifiers, Status* status) const;
    bool holds(const XCombination& combination, quint32 except = 0) const;
    // One combination with and without each lock key: the grabs the server holds for it.
    std::vector<XCombination> lockVariants(const XCombination& combination) const;
    std::vector<XCombination> heldVariants() const;
    // All or none: a variant the server refuses gives back the others of this call.
    Status grabVariants(const std::vector<XCombination>& variants);
    void ungrabVariants(const std::vector<XCombination>& variants);
    Status grabAtServer(const XCombination& combination);
    void ungrabAtServer(const XCombination& combination);
    void drain();
    void handleKey(bool press, quint8 key, quint16 state);
    void checkHeldKeys();
    void remap();

    std::shared_ptr<XcbConnection> connection_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<Keyboard> keyboard_;
    quint8 xkbEventBase_ = 0;
    bool detectableAutoRepeat_ = false;
    std::map<quint32, Grab> grabs_;
    // Keys we reported as pressed, with the ids that fired, until their release.
    QHash<quint8, std::vector<quint32>> down_;
    // Other keys pressed while one of ours was down, until their release: their repeats are
    // no new presses.
    QSet<quint8> othersDown_;
    QTimer heldKeyCheck_;
    quint32 lastEventTime_ = 0;
};

}  // namespace Platform
