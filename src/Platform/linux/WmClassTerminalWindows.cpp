#include "Platform/linux/WmClassTerminalWindows.h"

#include "Platform/linux/KeyChord.h"

namespace Platform {

namespace {

KeyTarget targetOf(const RunningApplication& application) {
    return keyTargetOf(application.windowInstance, application.windowClass,
                       application.processIdentifier);
}

}  // namespace

bool WmClassTerminalWindows::isTerminal(const RunningApplication& application) const {
    return targetOf(application) != KeyTarget::Application;
}

bool WmClassTerminalWindows::pastesFromPrimary(const RunningApplication& application) const {
    return targetOf(application) == KeyTarget::XTermFamily;
}

bool WmClassTerminalWindows::pastesFromEither(const RunningApplication& application) const {
    return targetOf(application) == KeyTarget::OtherTerminal;
}

}  // namespace Platform
