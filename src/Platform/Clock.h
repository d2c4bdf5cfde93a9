#pragma once

#include <QDateTime>
#include <chrono>
#include <functional>
#include <memory>

namespace Platform {

using Milliseconds = std::chrono::milliseconds;
using Nanoseconds = std::chrono::nanoseconds;

// A timer armed through a Clock. Destroying it cancels it; start() re-arms it from now.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start(Milliseconds interval) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// Time as Tavrin sees it: a monotonic reading for durations, the wall clock for dates,
// and timers that call back on the thread that owns the clock (the main thread).
class Clock {
public:
    virtual ~Clock() = default;

    // Monotonic time since an arbitrary start; only differences mean anything.
    virtual Nanoseconds monotonic() const = 0;
    // Wall-clock time, in UTC.
    virtual QDateTime now() const = 0;
    // A disarmed timer; start() arms it. A single-shot timer disarms itself before it fires.
    virtual std::unique_ptr<Timer> createTimer(std::function<void()> callback, bool repeating) = 0;

    std::unique_ptr<Timer> singleShot(Milliseconds after, std::function<void()> callback);
    std::unique_ptr<Timer> repeating(Milliseconds interval, std::function<void()> callback);
};

}  // namespace Platform
