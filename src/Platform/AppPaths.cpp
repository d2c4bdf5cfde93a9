#include "Platform/AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "Platform/PasswordDatabase.h"

namespace Platform::AppPaths {

namespace {

QString environmentFolder(const char* name) {
    const QString value = qEnvironmentVariable(name);
    // The XDG rules ignore relative paths.
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

}  // namespace

QString applicationId() {
    return QStringLiteral("org.tavrin.Tavrin");
}

QString homeFolder() {
    if (QString home = environmentFolder("HOME"); !home.isEmpty())
        return home;
    if (const auto entry = PasswordDatabase::forUser(getuid()); entry && !entry->home.isEmpty())
        return QDir::cleanPath(entry->home);
    return {};
}

QString shownPath(const QString& path) {
    const QString home = homeFolder();
    if (home.isEmpty() || home == QLatin1String("/") || !path.startsWith(home + QLatin1Char('/')))
        return path;
    return QLatin1Char('~') + path.mid(home.size());
}

bool makePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        return false;
    return ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
}

std::optional<QString> dataHome() {
    if (QString base = environmentFolder("XDG_DATA_HOME"); !base.isEmpty())
        return base;
    const QString home = homeFolder();
    if (home.isEmpty())
        return std::nullopt;
    return home + QStringLiteral("/.local/share");
}

std::optional<QString> dataFolder() {
    const auto base = dataHome();
    if (!base)
        return std::nullopt;
    const QString folder = *base + QLatin1Char('/') + applicationId();
    if (!makePrivateFolder(folder))
        return std::nullopt;
    return folder;
}

QString temporaryFolder() {
    const QString folder = QDir::tempPath();
    return folder.isEmpty() ? QStringLiteral("/tmp") : folder;
}

QString configHome() {
    if (QString config = environmentFolder("XDG_CONFIG_HOME"); !config.isEmpty())
        return config;
    return homeFolder() + QStringLiteral("/.config");
}

QString userDefaultsFile() {
    return configHome() + QLatin1Char('/') + applicationId() + QStringLiteral("/defaults.conf");
}

}  // namespace Platform::AppPaths
