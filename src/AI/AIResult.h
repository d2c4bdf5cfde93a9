#pragma once

#include <utility>
#include <variant>

#include "AI/AIFailure.h"

// The outcome of an asynchronous AI operation, handed to its completion callback: a value or
// the failure that took its place.
template <class T>
class AIResult {
public:
    AIResult(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    AIResult(AIFailure failure) : m_outcome(std::in_place_index<1>, std::move(failure)) {}
    AIResult(AIError error) : AIResult(AIFailure(std::move(error))) {}
    AIResult(ProcessError error) : AIResult(AIFailure(std::move(error))) {}

    bool hasValue() const { return m_outcome.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    // Only when hasValue().
    const T& value() const& { return std::get<0>(m_outcome); }
    T&& value() && { return std::get<0>(std::move(m_outcome)); }
    // Only when !hasValue().
    const AIFailure& failure() const { return std::get<1>(m_outcome); }

    bool operator==(const AIResult&) const = default;

private:
    std::variant<T, AIFailure> m_outcome;
};
