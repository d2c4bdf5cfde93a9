#pragma once

#include <QLoggingCategory>
#include <QString>

namespace Platform {

// The system log: one line per message, "[Tavrin] " + message. The message is data,
// never a format string.
class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void log(const QString& message) = 0;
};

}  // namespace Platform

// Timing lines ("Panel: …", "Antwort: …") at info level, written only when the logging
// rules turn them on ("timing.info=true").
Q_DECLARE_LOGGING_CATEGORY(timingLog)
