#include "Platform/linux/WmClassTerminalWindows.h"

#include "Platform/linux/KeyChord.h"

namespace Platform {

bool WmClassTerminalWindows::isTerminal(const RunningApplication& application) const {
    return keyTargetOf(application.windowInstance, application.windowClass) !=
           KeyTarget::Application;
}

bool WmClassTerminalWindows::pastesFromPrimary(const RunningApplication& application) const {
    return keyTargetOf(application.windowInstance, application.windowClass) ==
           KeyTarget::XTermFamily;
}

}  // namespace Platform
