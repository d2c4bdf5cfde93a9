#pragma once

#include "Design/Theme.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"

// A theme on a desktop the test sets (light, motion on) and a clock it steps.
struct ThemeRig {
    Platform::FakeAppearance appearance;
    Platform::FakeClock clock;
    Theme theme{appearance, clock};
};
