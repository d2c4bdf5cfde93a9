#pragma once

#include "Platform/SystemLog.h"

namespace Platform {

// Writes each line to standard error and to syslog.
class StderrSystemLog final : public SystemLog {
public:
    StderrSystemLog();
    ~StderrSystemLog() override;
    void log(const QString& message) override;

    static QString line(const QString& message) { return QStringLiteral("[Tavrin] ") + message; }

    // Makes every message that goes through Qt's logging (the timing lines, Qt's own
    // warnings) a log line too: "[Tavrin] ", the category where there is one, the message.
    static void takeQtMessages();
};

}  // namespace Platform
