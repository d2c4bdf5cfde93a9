#pragma once

#include <functional>
#include <memory>
#include <vector>

// One piece of the coordinator's work that waits on something: a window picture, an AI
// reply, a timer. It holds the handles of what it waits on; cancelling drops them, which
// stops the work behind them (a tool's process ends, a read stops) and guarantees that their
// callbacks never run. Others can wait for it to finish.
//
// Every continuation still asks isCancelled() first: a continuation that was already queued
// when the task was cancelled must not write. Main thread only.
class CoreTask {
public:
    CoreTask() = default;
    CoreTask(const CoreTask&) = delete;
    CoreTask& operator=(const CoreTask&) = delete;
    ~CoreTask() { cancel(); }

    bool isCancelled() const { return cancelled_; }
    bool isFinished() const { return finished_; }

    // Keeps `handle` until the task finishes or is cancelled; returns it for convenience.
    template <typename Handle>
    Handle* hold(std::unique_ptr<Handle> handle) {
        Handle* raw = handle.get();
        if (!cancelled_ && !finished_)
            held_.push_back(std::shared_ptr<void>(std::move(handle)));
        return raw;
    }
    // Lets go of everything held, so that a finished wait's handle does not linger.
    void release() { std::vector<std::shared_ptr<void>>().swap(held_); }

    // Drops what the task waits on and every waiter; idempotent.
    void cancel();
    // Marks the task done and runs its waiters once, in the order they came.
    void finish();
    // Runs `then` when the task finishes (at once when it has). A cancelled task never
    // finishes, so its waiters never run: they belong to work that is cancelled with it.
    void whenFinished(std::function<void()> then);

private:
    bool cancelled_ = false;
    bool finished_ = false;
    std::vector<std::shared_ptr<void>> held_;
    std::vector<std::function<void()>> waiters_;
};

using CoreTaskPtr = std::shared_ptr<CoreTask>;

// Cancels the task, if any, and clears the handle.
inline void cancelTask(CoreTaskPtr& task) {
    if (task)
        task->cancel();
    task.reset();
}
