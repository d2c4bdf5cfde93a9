#include "Platform/UnreadableFile.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

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

}  // namespace Platform::UnreadableFile
