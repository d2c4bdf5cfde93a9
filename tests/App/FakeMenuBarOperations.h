#pragma once

#include <QStringList>
#include <functional>

#include "App/MenuBarOperations.h"

// Records every call by name; `onCall` plays the core's reaction.
class FakeMenuBarOperations final : public MenuBarOperations {
public:
    MenuBarState menuState() const override { return state; }
    void refreshStatus() override { record("refreshStatus"); }
    void invoke() override { record("invoke"); }
    void dismiss() override { record("dismiss"); }
    void showOnboarding() override { record("showOnboarding"); }
    void openSettings() override { record("openSettings"); }
    void selectProvider(ProviderID provider) override {
        record("selectProvider " + rawValue(provider));
    }
    void requestAccessibility() override { record("requestAccessibility"); }
    void requestScreenRecording() override { record("requestScreenRecording"); }
    void requestMicrophone() override { record("requestMicrophone"); }
    void quit() override { record("quit"); }

    MenuBarState state;
    QStringList calls;
    std::function<void(const QString&)> onCall;

private:
    void record(const QString& call) {
        calls << call;
        if (onCall)
            onCall(call);
    }
};
