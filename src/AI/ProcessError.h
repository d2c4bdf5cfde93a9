#pragma once

#include <QString>

// The operating system's side of a failed child-process run: the program could not be
// started (missing, not executable, bad working directory) or its output could not be read.
struct ProcessError {
    enum class Kind { failedToStart, readFailed };

    Kind kind = Kind::failedToStart;
    // The system's own description, such as "execvp: No such file or directory".
    QString message;

    QString errorDescription() const { return message; }

    bool operator==(const ProcessError&) const = default;
};
