#pragma once

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <cstdint>

#include "Memory/MemoryEntry.h"

// Everything the memory keeps between panel invocations.
struct MemoryData {
    // Recent activity, oldest first; the newest 60 are kept.
    QList<MemoryEntry> activity;
    // Notes the user asked to keep, oldest first; kept until the user deletes them.
    QList<MemoryEntry> saved;
    // How the user corrects drafts, for style learning: oldest first, the newest 40 are kept.
    QStringList styleSignals;
    // Style signals added since the last style learning run; it keeps counting past 40.
    std::int64_t signalsSinceLearning = 0;
    // Top-level keys of memory.json this version does not know, as they were read: written
    // back with the memory, so that what a newer version stored survives this one.
    QJsonObject unknownKeys;

    bool operator==(const MemoryData&) const = default;
};
