#include "Platform/linux/XdgInstalledApplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Platform {

namespace {

// Whether the desktop entry of the file says the application is gone for menus and
// launchers. Only the main group counts; actions have groups of their own.
bool isHidden(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || line.left(equals).trimmed() != "Hidden")
            continue;
        return line.mid(equals + 1).trimmed() == "true";
    }
    return false;
}

}  // namespace

XdgInstalledApplications::XdgInstalledApplications()
    : folders_(applicationFolders(qEnvironmentVariable("XDG_DATA_HOME"),
                                  qEnvironmentVariable("XDG_DATA_DIRS"), QDir::homePath())) {}

XdgInstalledApplications::XdgInstalledApplications(QStringList applicationFolders)
    : folders_(std::move(applicationFolders)) {}

QStringList XdgInstalledApplications::applicationFolders(const QString& dataHome,
                                                         const QString& dataDirs,
                                                         const QString& home) {
    QStringList bases;
    // Relative paths are invalid in these variables and are ignored.
    if (QDir::isAbsolutePath(dataHome))
        bases << dataHome;
    else if (!home.isEmpty())
        bases << home + QStringLiteral("/.local/share");
    QStringList system;
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            system << dir;
    if (system.isEmpty())
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    bases << system;
    QStringList folders;
    for (const QString& base : bases) {
        const QString folder = QDir::cleanPath(base + QStringLiteral("/applications"));
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

bool XdgInstalledApplications::isInstalled(const QString& desktopFileId) const {
    if (desktopFileId.isEmpty() || desktopFileId.contains(QLatin1Char('/')))
        return false;
    for (const QString& folder : folders_) {
        const QString path = folder + QLatin1Char('/') + desktopFileId;
        if (QFileInfo(path).isFile())
            return !isHidden(path);
    }
    return false;
}

}  // namespace Platform
