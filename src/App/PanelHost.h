#pragma once

#include <QtGlobal>
#include <functional>

class AssistantSession;
class PanelActions;

// The coordinator's view of the one assistant panel: whether it is shown and has the
// keyboard, and bringing it in and out. The application hosts the panel controller behind
// it; tests record the calls.
class PanelHost {
public:
    virtual ~PanelHost() = default;

    // Visible and not in the middle of closing.
    virtual bool isShown() const = 0;
    // Shown and holding the keyboard.
    virtual bool isKey() const = 0;
    // Gives the shown panel the keyboard and raises it, for the key press at `userTime`.
    virtual void raise(quint32 userTime) = 0;
    // A fresh view for `session`, beside its field (or the pointer); its keys and buttons
    // call `actions`.
    virtual void show(AssistantSession& session, PanelActions& actions, quint32 userTime) = 0;
    virtual void hide() = 0;
    // Every key to the shown panel, also those the window manager keeps for itself, while the
    // user holds a key to dictate; until releaseKeys().
    virtual void holdKeys() {}
    virtual void releaseKeys() {}
    // Escape pressed anywhere in the panel.
    virtual void setOnEscape(std::function<void()> onEscape) = 0;
};
