#pragma once

#include <QtGlobal>

namespace Platform {

// What a floating panel of our own needs of the window system beyond Qt's window flags:
// staying on top everywhere, taking the keyboard without the user clicking, and handing it back.
// Windows are named by their native id (QWidget::winId()).
class FloatingWindows {
public:
    virtual ~FloatingWindows() = default;

    // Whether a compositing manager runs. Without one, translucent pixels and window opacity
    // do not show: the panel draws opaque inside a shape and fades end at once.
    virtual bool isCompositing() = 0;
    // On every desktop, above other windows, out of the task bar and the pager. Called before
    // the window maps and again once it is on screen, since window managers drop these states
    // when a window is withdrawn.
    virtual void keepOnTop(quint64 window) = 0;
    // Notes which other window has the keyboard now, before `window` maps and the window
    // manager hands it the focus by itself.
    virtual void noteKeyboardOwner(quint64 window) = 0;
    // Raises the window and gives it the keyboard, on behalf of the user action at `userTime`
    // (the server time of the key press that opened it; 0 when unknown).
    virtual void takeKeyboard(quint64 window, quint32 userTime) = 0;
    // Hands the keyboard back to the window noted before, while that window is still on
    // screen; otherwise leaves the focus to the window manager.
    virtual void giveBackKeyboard(quint64 window) = 0;
    // Every key goes to `window` until releaseAllKeys(), also the combinations the window
    // manager keeps for itself (its Alt+Escape), for as long as the user holds a key down on
    // purpose. False when another program holds the keyboard; a window that goes away gives
    // it back by itself.
    virtual bool holdAllKeys(quint64 window) {
        (void)window;
        return false;
    }
    virtual void releaseAllKeys() {}
};

}  // namespace Platform
