#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace Platform {

// An application the user works in, as seen at one moment: what Tavrin needs to name it,
// read it and later bring it back to the front.
struct RunningApplication {
    // The name to show; empty when the application has none.
    QString localizedName;
    // Its desktop-file id, else its WM_CLASS class; none when neither is known.
    std::optional<QString> bundleIdentifier;
    qint32 processIdentifier = 0;
    // The X11 client window that was in front; 0 when unknown.
    quint32 windowId = 0;
    // WM_CLASS instance and class, as the window set them (terminals are known by these).
    QString windowInstance;
    QString windowClass;

    bool operator==(const RunningApplication&) const = default;
};

}  // namespace Platform
