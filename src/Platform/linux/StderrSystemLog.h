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
};

}  // namespace Platform
