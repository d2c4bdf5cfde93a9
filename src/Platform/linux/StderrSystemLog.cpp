#include "Platform/linux/StderrSystemLog.h"

#include <syslog.h>

#include <cstdio>

namespace Platform {

StderrSystemLog::StderrSystemLog() {
    openlog("tavrin", LOG_PID, LOG_USER);
}

StderrSystemLog::~StderrSystemLog() {
    closelog();
}

namespace {

void write(const QString& message, int priority) {
    const QByteArray bytes = StderrSystemLog::line(message).toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
    syslog(priority, "%s", bytes.constData());
}

int priority(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return LOG_DEBUG;
        case QtInfoMsg:
            return LOG_INFO;
        case QtWarningMsg:
            return LOG_WARNING;
        case QtCriticalMsg:
            return LOG_ERR;
        case QtFatalMsg:
            return LOG_CRIT;
    }
    return LOG_NOTICE;
}

void handleQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString category = context.category && qstrcmp(context.category, "default") != 0
                                 ? QString::fromUtf8(context.category) + QStringLiteral(": ")
                                 : QString();
    write(category + message, priority(type));
}

}  // namespace

void StderrSystemLog::log(const QString& message) {
    write(message, LOG_NOTICE);
}

void StderrSystemLog::takeQtMessages() {
    qInstallMessageHandler(&handleQtMessage);
}

}  // namespace Platform
