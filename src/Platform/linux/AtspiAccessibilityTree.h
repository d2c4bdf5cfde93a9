#pragma once

#include <memory>

#include "Platform/AccessibilityTree.h"

struct _GMainContext;

namespace Platform {

class ScreenPixelsWatch;

// The accessibility bus (AT-SPI 2) through libatspi, which is not thread-safe: made, used and
// destroyed on the accessibility worker's thread only. Roles are named once, here, in the
// readers' terms; frames are turned into Qt's logical pixels.
class AtspiAccessibilityTree final : public AccessibilityTree {
public:
    // Null when the bus cannot be reached. `screens` turns the bus's device pixels into Qt's
    // logical ones; without it they stay as they are.
    static std::unique_ptr<AccessibilityTree> create(const ScreenPixelsWatch* screens = nullptr);
    ~AtspiAccessibilityTree() override;

    void setCallTimeout(std::chrono::milliseconds timeout) override;
    AccessibleRef application(qint32 pid) override;
    void processEvents() override;
    // libatspi listens to the applications' structure and state changes to keep its cache;
    // they come whenever windows open, close or change.
    bool receivesEvents() const override { return true; }
    void waitForEvents() override;
    void wakeUp() override;

private:
    AtspiAccessibilityTree(_GMainContext* context, const ScreenPixelsWatch* screens);

    _GMainContext* context_;
    const ScreenPixelsWatch* screens_;
};

}  // namespace Platform
