#pragma once

#include <QString>
#include <optional>

// One message of the visible conversation before the quoted one.
struct ThreadMessage {
    std::optional<QString> author;
    QString text;

    bool operator==(const ThreadMessage&) const = default;
};
