#pragma once

#include <QImage>

#include "Platform/RunningApplication.h"

namespace Platform {

// The picture the desktop shows for an application: the icon its window carries, else the one
// its desktop file names in the icon theme.
class ApplicationIcons {
public:
    virtual ~ApplicationIcons() = default;
    // Main thread. At least `pixelSize` pixels high where the application offers that much; a
    // null image when it has no icon.
    virtual QImage icon(const RunningApplication& app, int pixelSize) = 0;
};

}  // namespace Platform
