#include "Platform/UnreadableFile.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

namespace Platform::UnreadableFile {

bool setAside(const QString& path, const QDateTime& now) {
    if (!QFileInfo::exists(path))
        return true;
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = path + QStringLiteral(".unreadable-") + stamp;
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::copy(path, aside) && !QFile::rename(path, aside))
        return false;
    // A folder moved aside stays open to its owner.
    ::chmod(QFile::encodeName(aside).constData(), QFileInfo(aside).isDir() ? 0700 : 0600);
    return true;
}

}  // namespace Platform::UnreadableFile
