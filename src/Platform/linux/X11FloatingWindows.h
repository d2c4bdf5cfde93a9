#pragma once

#include <QByteArray>
#include <QHash>

#include "Platform/FloatingWindows.h"

struct xcb_connection_t;

namespace Platform {

// Floating windows on X11 through Qt's own connection, so that every request here reaches the
// server after the map and configure requests Qt made for the same window. Does nothing on
// another Qt platform. Main thread only.
class X11FloatingWindows final : public FloatingWindows {
public:
    X11FloatingWindows();

    bool isCompositing() override;
    void keepOnTop(quint64 window) override;
    void noteKeyboardOwner(quint64 window) override;
    void takeKeyboard(quint64 window, quint32 userTime) override;
    void giveBackKeyboard(quint64 window) override;

private:
    quint32 atom(const char* name);
    bool windowManagerRuns();
    bool isViewable(quint32 window);
    quint32 activeWindow();
    void sendToRoot(quint32 window, quint32 type, quint32 d0, quint32 d1, quint32 d2,
                    quint32 d3 = 0);

    xcb_connection_t* connection_ = nullptr;
    quint32 root_ = 0;
    int screenNumber_ = 0;
    QHash<QByteArray, quint32> atoms_;
    quint32 previousFocus_ = 0;
};

}  // namespace Platform
