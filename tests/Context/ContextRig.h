#pragma once

#include <QTest>

#include "Context/ContextCollector.h"
#include "Context/WindowCapture.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/ScreenPixels.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/linux/AtspiAccessibilityTree.h"
#include "Platform/linux/EwmhDesktopWindows.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/X11ScreenCaptureAccess.h"
#include "Platform/linux/X11WindowImages.h"
#include "Platform/linux/XcbConnection.h"

// The context collector wired to the real desktop backends, with accessibility granted: what
// the x11 tests and the benchmark of the context read run against.
struct ContextRig {
    ContextRig() { trust.trusted = true; }

    // Waits until `windowId` is the front window. A window manager may hold back a new
    // window's focus; asking for it again is what a user's click would do.
    bool bringToFront(quint32 windowId) {
        Platform::RunningApplication target;
        target.windowId = windowId;
        return QTest::qWaitFor(
            [&] {
                const auto front = windows.frontApplication();
                if (front && front->windowId == windowId)
                    return true;
                activation.activate(target);
                return false;
            },
            5000);
    }

    std::shared_ptr<Platform::XcbConnection> connection = Platform::XcbConnection::open();
    Platform::EwmhDesktopWindows windows{connection};
    Platform::EwmhWindowActivation activation{connection};
    Platform::FakeAccessibilityTrust trust;
    Platform::QtClock clock;
    Platform::ScreenPixelsWatch screens;
    Platform::AccessibilityWorker worker{
        [this] { return Platform::AtspiAccessibilityTree::create(&screens); }};
    Platform::X11WindowImages images;
    Platform::X11ScreenCaptureAccess access;
    WindowCapture capture{windows, images, access};
    Platform::FakeSystemLog log;
    ContextCollector collector{{clock, windows, trust, worker, capture, log, {}}};
};
