#pragma once

#include "App/PanelHost.h"

class PanelController;

namespace Platform {
class FloatingWindows;
}

// The one assistant panel of the run, as the panel controller shows it.
class PanelControllerHost final : public PanelHost {
public:
    PanelControllerHost(PanelController& controller, Platform::FloatingWindows& windows);

    bool isShown() const override;
    bool isKey() const override;
    void raise(quint32 userTime) override;
    void show(AssistantSession& session, PanelActions& actions, quint32 userTime) override;
    void hide() override;
    void holdKeys() override;
    void releaseKeys() override;
    void setOnEscape(std::function<void()> onEscape) override;

private:
    PanelController& controller_;
    Platform::FloatingWindows& windows_;
};
