#include "Platform/linux/StderrSystemLog.h"

#include <syslog.h>

#include <cstdio>

namespace Platform {

StderrSystemLog::StderrSystemLog() { openlog("tavrin", LOG_PID, LOG_USER); }

StderrSystemLog::~StderrSystemLog() { closelog(); }

void StderrSystemLog::log(const QString& message) {
    const QByteArray bytes = line(message).toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
    syslog(LOG_NOTICE, "%s", bytes.constData());
}

}  // namespace Platform
