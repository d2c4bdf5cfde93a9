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
    // Handles what the bus sent meanwhile; the worker calls it before each read.
    virtual void processEvents() {}
    // Whether the bus sends this tree anything between reads. Such a tree is waited on through
    // waitForEvents() while there is nothing to read, so that what it sends does not pile up.
    virtual bool receivesEvents() const { return false; }
    // Blocks until the bus sends something or wakeUp() is called, and handles what came.
    virtual void waitForEvents() {}
    // Ends the waitForEvents() under way, or makes the next one return at once. Any thread.
    virtual void wakeUp() {}
};

}  // namespace Platform
