#pragma once

#include <QElapsedTimer>

#include "Platform/Clock.h"

namespace Platform {

// The real clock: QElapsedTimer's monotonic clock and precise QTimers on the calling thread.
class QtClock final : public Clock {
public:
    QtClock();
    Nanoseconds monotonic() const override;
    QDateTime now() const override;
    std::unique_ptr<Timer> createTimer(std::function<void()> callback, bool repeating) override;

private:
    QElapsedTimer elapsed_;
};

}  // namespace Platform
