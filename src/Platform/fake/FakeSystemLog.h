#pragma once

#include <QStringList>

#include "Platform/SystemLog.h"

namespace Platform {

// Keeps the lines in order, with the same prefix the real log writes.
class FakeSystemLog final : public SystemLog {
public:
    void log(const QString& message) override { lines.append(QStringLiteral("[Tavrin] ") + message); }
    QStringList lines;
};

}  // namespace Platform
