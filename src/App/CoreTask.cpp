#include "App/CoreTask.h"

void CoreTask::cancel() {
    if (cancelled_ || finished_)
        return;
    cancelled_ = true;
    // Moved out first: dropping a handle may run code that looks at this task again.
    auto held = std::move(held_);
    auto waiters = std::move(waiters_);
    held_.clear();
    waiters_.clear();
}

void CoreTask::finish() {
    if (cancelled_ || finished_)
        return;
    finished_ = true;
    auto waiters = std::move(waiters_);
    waiters_.clear();
    for (auto& waiter : waiters)
        waiter();
    release();
}

void CoreTask::whenFinished(std::function<void()> then) {
    if (cancelled_)
        return;
    if (finished_) {
        then();
        return;
    }
    waiters_.push_back(std::move(then));
}
