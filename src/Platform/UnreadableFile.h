#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace Platform {

class SystemLog;
class UserNotices;

// A file of the user's that could not be read may still hold what the user cares about: it is
// kept before anything replaces it.
namespace UnreadableFile {

// Keeps whatever is at `path` as "<path>.unreadable-<UTC yyyyMMddTHHmmssZ of now>" ("-2", "-3"
// … appended when that name is taken), open to the owner alone. It is copied; what cannot
// be copied (a folder, a file without read permission) is moved. Gives where it is kept, an
// empty path when nothing is at `path`, and none when `path` must not be replaced yet.
std::optional<QString> setAside(const QString& path, const QDateTime& now);

// Sets the file at `path` aside, logs where, and tells the user `whatWasRead` (what of the
// file is in use) followed by where the whole file lies, or, when it could not be set aside,
// that changes are not saved until it can be. Either service may be missing. Gives whether
// the file was set aside.
bool setAsideAndTell(const QString& path, const QDateTime& now, const QString& whatWasRead,
                     SystemLog* log, UserNotices* notices);

}  // namespace UnreadableFile

}  // namespace Platform
