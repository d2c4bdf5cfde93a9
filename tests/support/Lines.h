#pragma once

#include <QStringList>
#include <string>

// A list of lines as one text, so that a failed comparison prints readably.
inline std::string joined(const QStringList& lines) {
    return lines.join(" | ").toStdString();
}
