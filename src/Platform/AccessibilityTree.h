#pragma once

#include <QtGlobal>
#include <chrono>

#include "Platform/AccessibleElement.h"

namespace Platform {

// The accessibility trees of the other applications on the desktop. Not thread-safe: it lives
// on the accessibility worker's thread and is used only there.
class AccessibilityTree {
public:
    virtual ~AccessibilityTree() = default;
    // The longest any later call may wait for an application's answer.
    virtual void setCallTimeout(std::chrono::milliseconds timeout) = 0;
    // The application of process `pid`; null when it has none on the tree.
    virtual AccessibleRef application(qint32 pid) = 0;
    // Handles what the bus sent meanwhile; the worker calls it between reads.
    virtual void processEvents() {}
};

}  // namespace Platform
