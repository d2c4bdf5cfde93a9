#pragma once

#include <QList>
#include <QString>
#include <optional>

// How long activity is remembered. Stored as its raw value, which is the case name.
enum class MemoryRetention { off, hour, today, week };

QString rawValue(MemoryRetention value);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<MemoryRetention> memoryRetentionFromRaw(const QString& raw);
// Every case, in order.
QList<MemoryRetention> allMemoryRetentions();
// The name shown to the user.
QString title(MemoryRetention value);
