#pragma once

// Included by x11 tests that need Qt itself on the X server (its clipboard, real windows):
// the test main only picks the offscreen platform when none is set.
#include <QtGlobal>

inline const bool tavrinTestsUseXcb = [] {
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}();
