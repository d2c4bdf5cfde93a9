#include "Platform/AccessibilityWorker.h"

namespace Platform {

namespace {

// Between reads the bus keeps sending what the tree listens to; it is handled now and then so
// that it does not pile up.
constexpr std::chrono::seconds idleEvents{1};

}  // namespace

AccessibilityWorker::AccessibilityWorker(TreeFactory factory) : factory_(std::move(factory)) {
    thread_ = std::thread([this] { loop(); });
}

AccessibilityWorker::~AccessibilityWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void AccessibilityWorker::post(Job job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void AccessibilityWorker::loop() {
    std::unique_ptr<AccessibilityTree> tree;
    bool made = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_for(lock, idleEvents, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_)
            break;
        if (jobs_.empty()) {
            if (tree) {
                lock.unlock();
                tree->processEvents();
                lock.lock();
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
