#pragma once

#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/fake/FakeHotKeyGrabber.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserDefaults.h"

// The named shortcuts over fakes: defaults in memory, grabs a test presses itself.
struct FakeShortcuts {
    Platform::FakeUserDefaults defaults;
    Platform::FakeHotKeyGrabber grabber;
    Platform::FakeSystemLog log;
    GlobalShortcuts::NamedShortcuts shortcuts{defaults, grabber, log};
};
