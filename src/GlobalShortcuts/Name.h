#pragma once

#include <QHashFunctions>
#include <QString>
#include <optional>

#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

// How the rest of the program knows a global shortcut: by name, with the combination that is
// stored the first time the name is created. Names are equal when their raw values are.
struct Name {
    QString rawValue;
    std::optional<Shortcut> defaultShortcut;

    Name() = default;
    explicit Name(QString raw, std::optional<Shortcut> defaultValue = std::nullopt)
        : rawValue(std::move(raw)), defaultShortcut(defaultValue) {}

    bool operator==(const Name& other) const { return rawValue == other.rawValue; }
    // The key of the name's value in the user defaults.
    QString storageKey() const { return QStringLiteral("GlobalShortcuts_") + rawValue; }
};

inline size_t qHash(const Name& name, size_t seed = 0) {
    return ::qHash(name.rawValue, seed);
}

}  // namespace GlobalShortcuts
