#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace Platform {

// System-wide hot keys: key combinations that reach us whichever window has the focus.
// Combinations are given in the stored form of the shortcuts module: a positional key code
// (`a` 0, `space` 49, `f12` 111 …) and a modifier mask with Control 0x1000, Option 0x800,
// Shift 0x200, Command 0x100 and Function 0x20000. Main thread only.
class HotKeyGrabber : public QObject {
    Q_OBJECT
public:
    enum ModifierBit : int {
        Command = 0x100,
        Shift = 0x200,
        Option = 0x800,
        Control = 0x1000,
        Function = 0x20000,
    };

    // Negative numbers, so that they read like the statuses of other systems in the log line
    // of a refused registration.
    enum class Status : int {
        Accepted = 0,
        // No connection to a keyboard server.
        Unavailable = -1,
        // The key is not in the table of known keys, or the current keyboard lacks it.
        UnknownKey = -2,
        // A modifier this keyboard cannot grab (Function).
        UnsupportedModifier = -3,
        // Another program holds the combination (X's BadAccess, error code 10).
        Taken = -10,
    };

    using QObject::QObject;
    ~HotKeyGrabber() override = default;

    // Grabs the combination under `id`. The same combination may be grabbed under several
    // ids; it is given back to the system when the last of them is released.
    virtual Status grab(quint32 id, int keyCode, int modifiers) = 0;
    virtual void release(quint32 id) = 0;
    // True when another program holds the combination or the system reserves it for itself;
    // a combination we hold ourselves is not reserved.
    virtual bool isReserved(int keyCode, int modifiers) = 0;
    // The unshifted character of the key in the current layout (the first group that has
    // Latin letters); none for keys without a character.
    virtual std::optional<char32_t> character(int keyCode) = 0;
    // The positional key code of one of our own windows' key events, from its native scan
    // code; none when the key has none.
    virtual std::optional<int> keyCodeOfScanCode(quint32 scanCode) = 0;
    // The server time of the latest press or release, for windows opened on its behalf; 0 when
    // the system keeps no such time.
    virtual quint32 lastEventTime() const { return 0; }

signals:
    void pressed(quint32 id);
    void released(quint32 id);
    // While a combination of ours is down the system hands us the whole keyboard: another key
    // pressed meanwhile comes here instead of to the window that has the focus. `keyCode` is
    // positional as above; repeats of a key still down are not reported again.
    void otherKeyPressed(int keyCode);
    // After a change of the keyboard mapping every grab was made anew; `status` says whether
    // the system still accepts the one of `id`.
    void regrabbed(quint32 id, Platform::HotKeyGrabber::Status status);
    // The layout changed: characters of keys may differ now.
    void layoutChanged();
};

}  // namespace Platform
