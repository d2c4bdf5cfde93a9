#pragma once

#include <memory>

#include "Platform/FloatingWindows.h"

namespace Platform {

class XcbConnection;

// Floating windows on X11. The window is Qt's: before asking anything about it, the server is
// made to finish what Qt asked on its own connection (the map, the geometry), so that the
// window manager sees the requests here after those. Does nothing without a connection.
class X11FloatingWindows final : public FloatingWindows {
public:
    explicit X11FloatingWindows(std::shared_ptr<XcbConnection> connection);

    bool isCompositing() override;
    void keepOnTop(quint64 window) override;
    void noteKeyboardOwner(quint64 window) override;
    void takeKeyboard(quint64 window, quint32 userTime) override;
    void giveBackKeyboard(quint64 window) override;
    bool holdAllKeys(quint64 window) override;
    void releaseAllKeys() override;

private:
    void syncWithQt();
    bool windowManagerRuns();
    bool isViewable(quint32 window);
    void sendToRoot(quint32 window, quint32 type, quint32 d0, quint32 d1, quint32 d2,
                    quint32 d3 = 0);

    std::shared_ptr<XcbConnection> connection_;
    int screenNumber_ = 0;
    quint32 previousFocus_ = 0;
};

}  // namespace Platform
