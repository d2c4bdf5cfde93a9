#pragma once

#include <QString>
#include <optional>

// The message the user is replying to, read from the screen or taken from the selection.
struct QuotedMessage {
    std::optional<QString> author;
    QString text;
    std::optional<QString> language;
    bool isSelection = false;

    // Up to two upper-cased first letters of the author's words; "?" without any.
    QString initials() const;

    bool operator==(const QuotedMessage&) const = default;
};
