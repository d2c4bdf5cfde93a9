#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <memory>

#include "Panel/StatusLine.h"

class AssistantSession;
class ElidedLabel;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// The status line while a request runs: typing dots, what is happening ("Fragt Claude …", or
// the tool's own activity), the seconds since the request started (from two on, not while the
// reply is written), "· esc Stoppen", then the provider chip.
class StreamingHint : public QWidget {
    Q_OBJECT

public:
    StreamingHint(AssistantSession& session, Platform::Clock& clock,
                  const StatusLine::Accessory& providerChip, QWidget* parent = nullptr);
    ~StreamingHint() override;

    QString status() const;
    // Empty while no time is shown.
    QString elapsed() const;

private:
    void refresh();
    void tick();
    // The new status fades in over the old place when the step changes.
    void fadeInStatus();
    void stepFade();

    QPointer<AssistantSession> session_;
    Platform::Clock& clock_;
    ElidedLabel* status_;
    ElidedLabel* elapsed_;
    std::unique_ptr<Platform::Timer> ticker_;
    std::unique_ptr<Platform::Timer> fader_;
    std::chrono::nanoseconds fadeStart_{0};
};
