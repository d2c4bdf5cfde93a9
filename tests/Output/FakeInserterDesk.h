#pragma once

#include "Output/TextInserter.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeKeySender.h"
#include "Platform/fake/FakeModifierState.h"
#include "Platform/fake/FakeWindowActivation.h"

// The inserter on fakes that share one clock, at time zero.
struct FakeInserterDesk {
    Platform::FakeClock clock;
    Platform::FakeClipboard clipboard{&clock};
    Platform::FakeKeySender keys{&clock};
    Platform::FakeWindowActivation windows{&clock};
    Platform::FakeModifierState modifiers;
    Platform::FakeAccessibilityTrust trust;
    TextInserter inserter{{clock, clipboard, keys, windows, modifiers, trust}};
};
