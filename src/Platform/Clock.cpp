#include "Platform/Clock.h"

namespace Platform {

std::unique_ptr<Timer> Clock::singleShot(Milliseconds after, std::function<void()> callback) {
    auto timer = createTimer(std::move(callback), false);
    timer->start(after);
    return timer;
}

std::unique_ptr<Timer> Clock::repeating(Milliseconds interval, std::function<void()> callback) {
    auto timer = createTimer(std::move(callback), true);
    timer->start(interval);
    return timer;
}

}  // namespace Platform
