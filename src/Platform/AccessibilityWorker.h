#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "Platform/AccessibilityTree.h"

namespace Platform {

// The one thread that talks to the accessibility bus: its library is not thread-safe, and a
// call can stall as long as another application takes to answer. Reads run here one after the
// other and hand their results to the main thread with a queued call. Between reads the
// thread sleeps until a read is posted or the bus sends the tree something.
class AccessibilityWorker final : public QObject {
public:
    // Runs on the worker, once, before its first read; may return null (no bus): the reads then
    // get no tree.
    using TreeFactory = std::function<std::unique_ptr<AccessibilityTree>()>;

    explicit AccessibilityWorker(TreeFactory factory);
    // Waits for the read under way; those still queued are dropped.
    ~AccessibilityWorker() override;
    AccessibilityWorker(const AccessibilityWorker&) = delete;
    AccessibilityWorker& operator=(const AccessibilityWorker&) = delete;

    // Runs `work` on the worker and then `done` with its result on the main thread, as long as
    // `receiver` still exists. Main thread only.
    template <typename Work, typename Done>
    void run(QObject* receiver, Work work, Done done) {
        QPointer<QObject> guard(receiver);
        post([this, guard, work = std::move(work),
              done = std::move(done)](AccessibilityTree* tree) mutable {
            auto result = work(tree);
            QMetaObject::invokeMethod(
                this,
                [guard, done = std::move(done), result = std::move(result)]() mutable {
                    if (guard)
                        done(std::move(result));
                },
                Qt::QueuedConnection);
        });
    }

    // From inside a read: runs `call` on the main thread ahead of the read's own result, as long
    // as `receiver` still exists. `receiver` is taken on the main thread, when the read is posted.
    void report(const QPointer<QObject>& receiver, std::function<void()> call) {
        QMetaObject::invokeMethod(
            this,
            [receiver, call = std::move(call)] {
                if (receiver)
                    call();
            },
            Qt::QueuedConnection);
    }

private:
    using Job = std::function<void(AccessibilityTree*)>;

    void post(Job job);
    void loop();

    TreeFactory factory_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    // The tree the worker waits on for the bus while there is nothing to read; a posted read
    // wakes it through this.
    AccessibilityTree* waitingOn_ = nullptr;
    std::thread thread_;
};

}  // namespace Platform
