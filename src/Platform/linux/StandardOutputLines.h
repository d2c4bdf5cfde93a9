#pragma once

#include <cstdio>

#include "Platform/SystemLog.h"

namespace Platform {

// Lines that keep a form of their own: each message bare, on standard output, not in syslog.
// Only the shortcut module's "Error registering hotkey …" goes here; every other line is a
// log line ("[Tavrin] …", standard error and syslog).
class StandardOutputLines final : public SystemLog {
public:
    void log(const QString& message) override {
        std::fprintf(stdout, "%s\n", message.toUtf8().constData());
        std::fflush(stdout);
    }
};

}  // namespace Platform
