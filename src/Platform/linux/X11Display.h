#pragma once

#include <QString>

namespace Platform::X11Display {

// True when an X server answers at `display` (a DISPLAY value). Used before Qt starts, so
// that a missing display gives our own message instead of Qt's abort.
bool canConnect(const QString& display);

}  // namespace Platform::X11Display
