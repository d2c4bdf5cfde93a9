#pragma once

#include <QObject>
#include <chrono>
#include <memory>

class ProviderStatusStore;
class QWidget;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// While `page` is on screen, the AI tools it shows are looked for again as it appears and every
// few seconds after, so that one that appears meanwhile (an install that went on after its
// error, a program put into ~/.local/bin by hand) or goes (uninstalled, its folder removed) is
// noticed without leaving the page. A look costs a few file look-ups off the main thread; only
// a tool found elsewhere than before, or no longer found, is checked again (see
// ProviderStatusStore::lookAgain), and the store's new state takes a failed install's message
// with it.
class ToolWatch final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds interval{2000};

    ToolWatch(QWidget* page, ProviderStatusStore& status, Platform::Clock& clock);
    ~ToolWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void look();

    ProviderStatusStore& status_;
    std::unique_ptr<Platform::Timer> timer_;
};
