#pragma once

#include <QString>
#include <chrono>
#include <optional>

// The latest retry line of an AI tool whose service turned it away (overloaded, or the limit
// reached).
struct ServiceRefusal {
    // Why, worded so that the error classes tell a busy service from a reached limit.
    QString reason;
    // How long the tool said it waits before it tries again; absent when it does not say.
    std::optional<std::chrono::milliseconds> nextTryIn;
    // Counts the refusal lines of the run, this one included: a new line is a new number,
    // even when it reads the same.
    int line = 0;
};
