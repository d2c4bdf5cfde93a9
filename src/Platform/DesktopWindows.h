#pragma once

#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "Platform/RunningApplication.h"

namespace Platform {

// The application windows of the desktop, as the window manager lists them. Frames are in
// global screen coordinates, Qt's logical pixels. Main thread; every call answers at once.
class DesktopWindows {
public:
    struct Window {
        quint32 id = 0;
        qint32 processId = 0;
        // Empty when the window has no title.
        QString title;
        QRectF frame;

        bool operator==(const Window&) const = default;
    };

    virtual ~DesktopWindows() = default;
    // The application of the active window; none when no window is active.
    virtual std::optional<RunningApplication> frontApplication() = 0;
    // Shown windows of ordinary applications and their dialogs, front to back.
    virtual std::vector<Window> windows() = 0;
};

}  // namespace Platform
