#include "Platform/UnreadableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "Platform/AppPaths.h"
#include "Platform/PrivateFile.h"
#include "Platform/SystemLog.h"
#include "Platform/UserNotices.h"

namespace Platform::UnreadableFile {

namespace {

// Keeps what is at `path` as `aside`; gives the reason when it could not. A file stays in its
// place: the store writes over it right after, and when that write fails too (a disk with no
// room for a copy has none for the new file either), the next start must still find the file,
// not only a copy it knows nothing of. Only a folder, which no store reads, is moved.
std::optional<QString> keep(const QString& path, const QString& aside) {
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(aside);
    // A folder cannot be copied whole here; moved, it leaves the place free for the file.
    if (QFileInfo(path).isDir()) {
        if (::rename(from.constData(), to.constData()) != 0)
            return PrivateFile::reason(errno);
        return std::nullopt;
    }
    QFile source(path);
    if (source.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = source.readAll();
        if (source.error() != QFileDevice::NoError)
            return source.errorString();
        return PrivateFile::write(aside, bytes);
    }
    // A file this user may not read: a second name keeps it whole when the store's write
    // puts a new file in its place. (A link is followed, so the file itself is kept.)
    if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) != 0)
        return PrivateFile::reason(errno);
    return std::nullopt;
}

}  // namespace

std::optional<QString> setAside(const QString& path, const QDateTime& now, QString* failure) {
    if (!QFileInfo::exists(path))
        return QString();
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = path + QStringLiteral(".unreadable-") + stamp;
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (const std::optional<QString> error = keep(path, aside)) {
        if (failure)
            *failure = *error;
        return std::nullopt;
    }
    // Open to its owner alone; a folder moved aside stays open to its owner.
    ::chmod(QFile::encodeName(aside).constData(), QFileInfo(aside).isDir() ? 0700 : 0600);
    return aside;
}

std::optional<QString> setAsideBeforeSaving(const QString& path, const QDateTime& now) {
    QString failure;
    if (setAside(path, now, &failure))
        return std::nullopt;
    return QCoreApplication::translate(
               "UnreadableFile",
               "Die bisherige, nicht lesbare Datei %1 ließ sich nicht beiseitelegen. Grund: %2")
        .arg(AppPaths::shownPath(path), failure);
}

bool setAsideAndTell(const QString& path, const QDateTime& now, const QString& whatWasRead,
                     SystemLog* log, UserNotices* notices) {
    QString failure;
    const std::optional<QString> kept = setAside(path, now, &failure);
    if (log) {
        log->log(
            kept ? QStringLiteral("%1 ließ sich nicht lesen; aufbewahrt als %2").arg(path, *kept)
                 : QStringLiteral("%1 ließ sich nicht lesen und nicht aufbewahren: %2")
                       .arg(path, failure));
    }
    if (notices) {
        const QString where =
            kept ? QCoreApplication::translate("UnreadableFile", "Die ganze Datei liegt unter %1.")
                       .arg(AppPaths::shownPath(*kept))
                 : QCoreApplication::translate(
                       "UnreadableFile",
                       "Die Datei %1 bleibt, wie sie ist: Änderungen werden nicht gespeichert, bis "
                       "sie sich beiseitelegen lässt. Grund: %2")
                       .arg(AppPaths::shownPath(path), failure);
        notices->tell(whatWasRead + QLatin1Char('\n') + where);
    }
    return kept.has_value();
}

}  // namespace Platform::UnreadableFile
