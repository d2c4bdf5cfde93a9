#pragma once

#include <stop_token>

// The handle of one read that runs in the background: cancelling it, or dropping the handle,
// tells the read to stop at its next step and drops its result unseen.
class ContextRead {
public:
    ContextRead() = default;
    explicit ContextRead(std::stop_source source) : source_(std::move(source)) {}
    ~ContextRead() { cancel(); }
    ContextRead(const ContextRead&) = delete;
    ContextRead& operator=(const ContextRead&) = delete;

    void cancel() { source_.request_stop(); }
    std::stop_token token() const { return source_.get_token(); }

private:
    std::stop_source source_;
};
