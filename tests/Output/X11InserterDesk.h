#pragma once

#include <memory>

#include "Output/TextInserter.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/WmClassTerminalWindows.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/XTestKeySender.h"
#include "Platform/linux/XcbConnection.h"

// The inserter on the real X11 backends; `connection` is null without a display.
struct X11InserterDesk {
    std::shared_ptr<Platform::XcbConnection> connection = Platform::XcbConnection::open();
    Platform::QtClock clock;
    Platform::X11Clipboard clipboard;
    Platform::X11Clipboard primary{{}, Platform::X11SelectionReader::Selection::primary};
    Platform::WmClassTerminalWindows terminals;
    Platform::XTestKeySender keys{connection};
    Platform::EwmhWindowActivation windows{connection};
    Platform::X11ModifierState modifiers{connection};
    Platform::FakeAccessibilityTrust trust;
    TextInserter inserter{
        {clock, clipboard, keys, windows, modifiers, trust, nullptr, &terminals, &primary}};
};
