#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace Platform::PrivateFile {

// Replaces `path` whole with `data`, atomically, readable and writable by the user alone (the
// file is private before its first byte is written). The data is written to a temporary file
// beside it and synced to the disk before that file takes the place of the old one. Gives the
// reason when it fails (a full disk, a read-only folder, …); the old file is then untouched,
// byte for byte, and no temporary file is left behind. A link at `path` stays and its target
// is replaced.
std::optional<QString> write(const QString& path, const QByteArray& data);

// Removes what a write to `path` that never finished (the program killed between the sync and
// the rename) left beside it: plain files of the user's named as write() names its temporary
// files for `path`, nothing else. Only for a file no write is running for. Gives how many.
int removeLeftovers(const QString& path);

// The user's words for a failure of the file system (an errno value): a full disk, a
// read-only folder, a missing permission …
QString reason(int error);

}  // namespace Platform::PrivateFile
