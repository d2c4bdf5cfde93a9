#pragma once

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace Platform {

// Keeps the answer of a question to the system that may stall (a D-Bus call, a sound server)
// off the main thread: one worker thread asks, the callers read the cached answer at once
// and a stale answer starts a fresh question in the background. The probe must end on its
// own (every call in it has a time limit); the destructor waits for it.
template <typename T>
class BackgroundProbe {
public:
    using Milliseconds = std::chrono::milliseconds;

    // `firstWait`: how long the very first read may wait for an answer. `staleAfter`: how old
    // a cached answer may be before a read starts a fresh probe. `threadName` (up to 15
    // characters) tells the worker apart among the process's threads.
    BackgroundProbe(std::function<T()> probe, Milliseconds firstWait, Milliseconds staleAfter,
                    const char* threadName = "probe")
        : probe_(std::move(probe)), firstWait_(firstWait), staleAfter_(staleAfter) {
        probeWanted_ = true;
        worker_ = std::thread([this, threadName] {
            pthread_setname_np(pthread_self(), threadName);
            run();
        });
    }

    ~BackgroundProbe() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }

    BackgroundProbe(const BackgroundProbe&) = delete;
    BackgroundProbe& operator=(const BackgroundProbe&) = delete;

    // The cached answer; none while the first probe has not answered within `firstWait`.
    std::optional<T> current() {
        std::unique_lock lock(mutex_);
        if (!value_) {
            wantProbe();
            changed_.wait_for(lock, firstWait_, [this] { return value_.has_value(); });
        } else if (std::chrono::steady_clock::now() - probedAt_ > staleAfter_) {
            wantProbe();
        }
        return value_;
    }

    // Runs `job` on the worker, then probes; returns that probe's answer when it comes within
    // `limit`, else the cached one.
    std::optional<T> runAndWait(std::function<void()> job, Milliseconds limit) {
        std::unique_lock lock(mutex_);
        const unsigned long ticket = enqueue({std::move(job), {}});
        changed_.wait_for(lock, limit, [&] { return answered_ >= ticket; });
        return value_;
    }

    // Probes afresh and hands the answer to `done` on the worker thread. Dropped when the
    // probe is destroyed first.
    void refresh(std::function<void(const T&)> done) {
        std::lock_guard lock(mutex_);
        enqueue({{}, std::move(done)});
    }

private:
    struct Request {
        std::function<void()> before;
        std::function<void(const T&)> after;
    };

    // A probe already under way answers this read too.
    void wantProbe() {
        if (probing_)
            return;
        probeWanted_ = true;
        changed_.notify_all();
    }

    unsigned long enqueue(Request request) {
        requests_.push_back(std::move(request));
        changed_.notify_all();
        return ++issued_;
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stop_ || probeWanted_ || !requests_.empty(); });
            if (stop_)
                return;
            std::vector<Request> batch;
            batch.swap(requests_);
            probeWanted_ = false;
            const unsigned long ticket = issued_;
            probing_ = true;
            lock.unlock();
            for (const Request& request : batch)
                if (request.before)
                    request.before();
            T answer = probe_();
            lock.lock();
            value_ = answer;
            probedAt_ = std::chrono::steady_clock::now();
            answered_ = ticket;
            probing_ = false;
            changed_.notify_all();
            if (stop_)
                return;
            lock.unlock();
            for (const Request& request : batch)
                if (request.after)
                    request.after(answer);
            lock.lock();
        }
    }

    const std::function<T()> probe_;
    const Milliseconds firstWait_;
    const Milliseconds staleAfter_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<T> value_;
    std::chrono::steady_clock::time_point probedAt_;
    std::vector<Request> requests_;
    bool probeWanted_ = false;
    bool probing_ = false;
    bool stop_ = false;
    unsigned long issued_ = 0;
    unsigned long answered_ = 0;
    std::thread worker_;
};

}  // namespace Platform
