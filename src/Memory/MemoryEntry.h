#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>
#include <optional>

// One remembered thing: a note the user asked to keep, or something the user recently wrote
// or looked at with the assistant.
struct MemoryEntry {
    enum class Kind { wrote, viewed };

    static QString rawValue(Kind kind);
    // None for anything but the exact raw values.
    static std::optional<Kind> kindFromRaw(const QString& raw);

    QUuid id;
    QDateTime date;
    std::optional<QString> app;
    // What the activity was about.
    std::optional<QString> context;
    QString text;
    std::optional<Kind> kind;
    // Keys of the stored entry this version does not know, as they were read: written back
    // with the entry, so that what a newer version stored survives this one.
    QJsonObject unknownKeys;

    bool operator==(const MemoryEntry&) const = default;
};
