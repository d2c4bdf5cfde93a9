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
// … appended when that name is taken), open to the owner alone. A file is copied, whole or not
// at all; one this user may not read gets the kept name as a second name, so that it stays
// whole when the file at `path` is replaced; a folder is moved. Whatever fails (a full disk),
// `path` is left as it was. Gives where it is kept, an empty path when nothing is at `path`,
// and none when `path` must not be replaced yet, with the reason in `failure`.
std::optional<QString> setAside(const QString& path, const QDateTime& now,
                                QString* failure = nullptr);

// setAside() for a save that is about to replace the file: none when the save may go ahead,
// else why not, in the user's words (the save then fails with that reason).
std::optional<QString> setAsideBeforeSaving(const QString& path, const QDateTime& now);

// Sets the file at `path` aside, logs where, and tells the user `whatWasRead` (what of the
// file is in use) followed by where the whole file lies, or, when it could not be set aside,
// why and that changes are not saved until it can be. Either service may be missing. Gives
// whether the file was set aside.
bool setAsideAndTell(const QString& path, const QDateTime& now, const QString& whatWasRead,
                     SystemLog* log, UserNotices* notices);

}  // namespace UnreadableFile

}  // namespace Platform
