#pragma once

#include <QString>
#include <variant>

#include "AI/AIError.h"
#include "AI/ProcessError.h"

// Why a request, a chunk stream or a child-process run ended without its result: an error
// the tool reports (AIError) or one of the operating system (ProcessError).
class AIFailure {
public:
    AIFailure(AIError error) : m_error(std::move(error)) {}
    AIFailure(ProcessError error) : m_error(std::move(error)) {}

    // The tool's error, or null when the system failed.
    const AIError* aiError() const { return std::get_if<AIError>(&m_error); }
    // The system's error, or null when the tool reported one.
    const ProcessError* processError() const { return std::get_if<ProcessError>(&m_error); }

    QString errorDescription() const {
        return std::visit([](const auto& error) { return error.errorDescription(); }, m_error);
    }

    bool operator==(const AIFailure&) const = default;

private:
    std::variant<AIError, ProcessError> m_error;
};
