#include "Memory/MemoryEntry.h"

QString MemoryEntry::rawValue(Kind kind) {
    switch (kind) {
        case Kind::wrote:
            return QStringLiteral("wrote");
        case Kind::viewed:
            return QStringLiteral("viewed");
    }
    return {};
}

std::optional<MemoryEntry::Kind> MemoryEntry::kindFromRaw(const QString& raw) {
    for (Kind kind : {Kind::wrote, Kind::viewed}) {
        if (raw == rawValue(kind))
            return kind;
    }
    return std::nullopt;
}
