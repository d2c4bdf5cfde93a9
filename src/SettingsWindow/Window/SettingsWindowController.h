#pragma once

#include <QObject>
#include <QPointer>

class SettingsCoordinator;
class SettingsView;

// Owns the one settings window: built on the first show(), then kept for the whole run.
// Closing the window only hides it; the next show() brings back the same window where the
// user left it, on the same tab.
class SettingsWindowController final : public QObject {
    Q_OBJECT

public:
    explicit SettingsWindowController(SettingsCoordinator& coordinator, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    void show();
    // None until the first show().
    SettingsView* window() const { return window_; }

private:
    SettingsCoordinator& coordinator_;
    QPointer<SettingsView> window_;
};
