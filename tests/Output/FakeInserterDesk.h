#pragma once

#include <memory>

#include "Output/TextInserter.h"
#include "Platform/fake/FakeAccessibilityTree.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeKeySender.h"
#include "Platform/fake/FakeModifierState.h"
#include "Platform/fake/FakeTerminalWindows.h"
#include "Platform/fake/FakeWindowActivation.h"

inline Platform::Nanoseconds ms(int milliseconds) {
    return Platform::Milliseconds(milliseconds);
}

inline Platform::ClipboardContents plainText(const QString& text) {
    return {Platform::ClipboardItem{{{"text/plain", text.toUtf8()}}}};
}

// The paste key as the fake key sender records it, `at` milliseconds after time zero.
inline Platform::FakeKeySender::Sent paste(int at) {
    return {ms(at), Platform::VirtualKey::V, Platform::EventFlag::Command};
}

// The inserter on fakes that share one clock, at time zero.
struct FakeInserterDesk {
    Platform::FakeClock clock;
    Platform::FakeClipboard clipboard{&clock};
    Platform::FakeKeySender keys{&clock};
    Platform::FakeWindowActivation windows{&clock};
    Platform::FakeModifierState modifiers;
    Platform::FakeAccessibilityTrust trust;
    Platform::FakeTerminalWindows terminals;
    TextInserter inserter{{clock, clipboard, keys, windows, modifiers, trust, nullptr, &terminals}};
};

// An application (process `pid`) whose window has one editable text field in focus, of
// `toolkit`, known as `identity`, holding `text`.
struct FocusedField {
    FocusedField(qint32 pid, const QString& toolkit, const QString& identity, const QString& text) {
        tree.applications.insert(pid, application);
        application->focusedWindowValue = window;
        window->focusedElementValue = field;
        field->editable = true;
        field->roleValue = QStringLiteral("AXTextField");
        field->toolkitValue = toolkit;
        field->identityValue = identity;
        field->textValue = text;
    }

    Platform::FakeAccessibilityTree tree;
    std::shared_ptr<Platform::FakeAccessible> application =
        std::make_shared<Platform::FakeAccessible>();
    std::shared_ptr<Platform::FakeAccessible> window = std::make_shared<Platform::FakeAccessible>();
    std::shared_ptr<Platform::FakeAccessible> field = std::make_shared<Platform::FakeAccessible>();
};
