#pragma once

#include <QObject>
#include <chrono>
#include <memory>

class ProviderStatusStore;
class QWidget;
class SettingsStore;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// While `page` is on screen, the AI tools it shows as not found are looked for again every few
// seconds, so that one that appears meanwhile (an install that went on after its error, a
// program put into ~/.local/bin by hand) is noticed without leaving the page. A look at a
// missing tool costs a few file look-ups; one that is found is checked once by its status
// command, and the store's new state takes its failed install's message with it.
class MissingToolWatch final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds interval{2000};

    MissingToolWatch(QWidget* page, ProviderStatusStore& status, const SettingsStore& settings,
                     Platform::Clock& clock);
    ~MissingToolWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void look();

    ProviderStatusStore& status_;
    const SettingsStore& settings_;
    std::unique_ptr<Platform::Timer> timer_;
};
