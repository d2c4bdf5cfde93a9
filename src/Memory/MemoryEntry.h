#pragma once

#include <QDateTime>
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

    bool operator==(const MemoryEntry&) const = default;
};
