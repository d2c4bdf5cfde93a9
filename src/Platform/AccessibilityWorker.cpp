#include "Platform/AccessibilityWorker.h"

#include <pthread.h>

namespace Platform {

AccessibilityWorker::AccessibilityWorker(TreeFactory factory) : factory_(std::move(factory)) {
    thread_ = std::thread([this] {
        // Named so that a look at the process's threads tells what wakes up.
        pthread_setname_np(pthread_self(), "accessibility");
        loop();
    });
}

AccessibilityWorker::~AccessibilityWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
        if (waitingOn_)
            waitingOn_->wakeUp();
    }
    wake_.notify_all();
    thread_.join();
}

void AccessibilityWorker::post(Job job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (waitingOn_)
            waitingOn_->wakeUp();
    }
    wake_.notify_all();
}

void AccessibilityWorker::loop() {
    std::unique_ptr<AccessibilityTree> tree;
    bool made = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_)
            break;
        if (jobs_.empty()) {
            // Nothing to read: sleep until a read is posted, or until the bus sends the tree
            // something. No timer wakes this thread while the program idles.
            if (tree && tree->receivesEvents()) {
                waitingOn_ = tree.get();
                lock.unlock();
                tree->waitForEvents();
                lock.lock();
                waitingOn_ = nullptr;
            } else {
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            }
            continue;
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        // Made lazily: the bus may only come up once the user has turned it on.
        if (!made && factory_) {
            tree = factory_();
            made = tree != nullptr;
        }
        if (tree)
            tree->processEvents();
        job(tree.get());
        job = nullptr;
        lock.lock();
    }
    lock.unlock();
    // The tree belongs to this thread.
    tree.reset();
}

}  // namespace Platform
