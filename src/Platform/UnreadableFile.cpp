#include "Platform/UnreadableFile.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "Platform/AppPaths.h"
#include "Platform/SystemLog.h"
#include "Platform/UserNotices.h"

namespace Platform::UnreadableFile {

std::optional<QString> setAside(const QString& path, const QDateTime& now) {
    if (!QFileInfo::exists(path))
        return QString();
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = path + QStringLiteral(".unreadable-") + stamp;
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::copy(path, aside) && !QFile::rename(path, aside))
        return std::nullopt;
    // A folder moved aside stays open to its owner.
    ::chmod(QFile::encodeName(aside).constData(), QFileInfo(aside).isDir() ? 0700 : 0600);
    return aside;
}

bool setAsideAndTell(const QString& path, const QDateTime& now, const QString& whatWasRead,
                     SystemLog* log, UserNotices* notices) {
    const std::optional<QString> kept = setAside(path, now);
    if (log) {
        log->log(
            kept ? QStringLiteral("%1 ließ sich nicht lesen; aufbewahrt als %2").arg(path, *kept)
                 : QStringLiteral("%1 ließ sich nicht lesen und nicht aufbewahren").arg(path));
    }
    if (notices) {
        const QString where =
            kept ? QCoreApplication::translate("UnreadableFile", "Die ganze Datei liegt unter %1.")
                       .arg(AppPaths::shownPath(*kept))
                 : QCoreApplication::translate("UnreadableFile",
                                               "Die Datei %1 bleibt, wie sie ist: Änderungen "
                                               "werden nicht gespeichert, bis sie sich "
                                               "beiseitelegen lässt.")
                       .arg(AppPaths::shownPath(path));
        notices->tell(whatWasRead + QLatin1Char('\n') + where);
    }
    return kept.has_value();
}

}  // namespace Platform::UnreadableFile
