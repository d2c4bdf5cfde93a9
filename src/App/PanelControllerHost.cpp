#include "App/PanelControllerHost.h"

#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Platform/FloatingWindows.h"

PanelControllerHost::PanelControllerHost(PanelController& controller,
                                         Platform::FloatingWindows& windows)
    : controller_(controller), windows_(windows) {}

bool PanelControllerHost::isShown() const {
    return controller_.panel().isVisible() && !controller_.isClosing();
}

bool PanelControllerHost::isKey() const {
    return isShown() && controller_.panel().isActiveWindow();
}

void PanelControllerHost::raise(quint32 userTime) {
    controller_.panel().raise();
    windows_.takeKeyboard(controller_.panel().winId(), userTime);
}

void PanelControllerHost::show(AssistantSession& session, PanelActions& actions, quint32 userTime) {
    controller_.show(session, actions, userTime);
}

void PanelControllerHost::hide() {
    controller_.hide();
}

void PanelControllerHost::holdKeys() {
    if (isShown())
        windows_.holdAllKeys(controller_.panel().winId());
}

void PanelControllerHost::releaseKeys() {
    windows_.releaseAllKeys();
}

void PanelControllerHost::setOnEscape(std::function<void()> onEscape) {
    controller_.onEscape = std::move(onEscape);
}
