#pragma once

#include <QProcess>

#include "Context/ContextCollector.h"
#include "Context/WindowCapture.h"
#include "Platform/AccessibilityWorker.h"
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

    std::shared_ptr<Platform::XcbConnection> connection = Platform::XcbConnection::open();
    Platform::EwmhDesktopWindows windows{connection};
    Platform::EwmhWindowActivation activation{connection};
    Platform::FakeAccessibilityTrust trust;
    Platform::QtClock clock;
    Platform::AccessibilityWorker worker{
        [] { return Platform::AtspiAccessibilityTree::create(1.0); }};
    Platform::X11WindowImages images;
    Platform::X11ScreenCaptureAccess access;
    WindowCapture capture{windows, images, access};
    Platform::FakeSystemLog log;
    ContextCollector collector{{clock, windows, trust, worker, capture, log, {}}};
};
