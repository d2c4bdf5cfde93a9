#include "Settings/MemoryRetention.h"

#include <QCoreApplication>

QString rawValue(MemoryRetention value) {
    switch (value) {
        case MemoryRetention::off:
            return QStringLiteral("off");
        case MemoryRetention::hour:
            return QStringLiteral("hour");
        case MemoryRetention::today:
            return QStringLiteral("today");
        case MemoryRetention::week:
            return QStringLiteral("week");
    }
    return {};
}

std::optional<MemoryRetention> memoryRetentionFromRaw(const QString& raw) {
    for (const MemoryRetention value : allMemoryRetentions()) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

QList<MemoryRetention> allMemoryRetentions() {
    return {MemoryRetention::off, MemoryRetention::hour, MemoryRetention::today,
            MemoryRetention::week};
}

QString title(MemoryRetention value) {
    switch (value) {
        case MemoryRetention::off:
            return QCoreApplication::translate("MemoryRetention", "Aus");
        case MemoryRetention::hour:
            return QCoreApplication::translate("MemoryRetention", "Eine Stunde");
        case MemoryRetention::today:
            return QCoreApplication::translate("MemoryRetention", "Bis Mitternacht");
        case MemoryRetention::week:
            return QCoreApplication::translate("MemoryRetention", "Sieben Tage");
    }
    return {};
}
