#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace Platform::PrivateFile {

// Replaces `path` whole with `data`, atomically, readable and writable by the user alone (the
// file is private before its first byte is written). Gives the reason when it fails; the old
// file is then untouched.
std::optional<QString> write(const QString& path, const QByteArray& data);

}  // namespace Platform::PrivateFile
