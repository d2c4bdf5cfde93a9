// The panel opened and closed in each phase, as a user meets them (the gallery draws them).
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "Design/Theme.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "PanelLooks.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeFloatingWindows.h"

using namespace std::chrono_literals;

namespace {

// What moves in the panel (the spinner, the cursor, the waveform, the fades) moves only while
// it shows: closed, it leaves nothing to wake the idle program.
TEST(PanelLook, AClosedPanelLeavesNoTimerInAnyPhase) {
    Platform::FakeAppearance appearance;
    Platform::FakeClock clock;
    Theme theme(appearance, clock);
    for (const bool composited : {false, true}) {
        Platform::FakeFloatingWindows windows;
        windows.compositing = composited;
        PanelController controller({clock, windows, [] { return false; }});
        RecordingPanelActions actions(clock);
        for (const PanelLooks::Look& look : PanelLooks::kLooks) {
            SCOPED_TRACE(look.name);
            const auto session = PanelLooks::openSettled(look, controller, actions, clock);
            controller.hide();
            clock.advance(1s);
            EXPECT_EQ(clock.pendingTimers(), 0) << (composited ? "composited" : "plain");
            actions.setDemoForceScreenHint(false);
            actions.setSession(nullptr);
        }
    }
}

}  // namespace
