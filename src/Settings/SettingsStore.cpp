#include "Settings/SettingsStore.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include "Platform/AppPaths.h"
#include "Platform/Clock.h"
#include "Platform/LoginItem.h"
#include "Platform/PrivateFile.h"
#include "Platform/SystemLog.h"
#include "Platform/UnreadableFile.h"

namespace {

const QString fileName = QStringLiteral("settings.json");

void makePrivate(const QString& path) {
    ::chmod(QFile::encodeName(path).constData(), 0600);
}

}  // namespace

SettingsStore::SettingsStore(const QString& applicationSupport, Services services, QObject* parent)
    : QObject(parent), services_(services) {
    const QString folder =
        applicationSupport + QLatin1Char('/') + Platform::AppPaths::applicationId();
    // A failure here shows up, and is logged, at the first save.
    Platform::AppPaths::makePrivateFolder(folder);
    fileURL_ = folder + QLatin1Char('/') + fileName;
    migrateFromEarlierBundles(applicationSupport);
    load();
}

std::optional<QString> SettingsStore::applicationSupportFolder() {
    return Platform::AppPaths::dataHome();
}

QString SettingsStore::earlierProductWord() {
    return QStringLiteral("scrivo");
}

QString SettingsStore::earlierBundleIdentifier() {
    return QStringLiteral("de.scrivo.Scrivo");
}

void SettingsStore::migrateFromEarlierBundles(const QString& applicationSupport) {
    if (QFileInfo::exists(fileURL_))
        return;
    QString renamed = Platform::AppPaths::applicationId();
    renamed.replace(QStringLiteral("tavrin"), earlierProductWord());
    const QString candidates[] = {renamed, earlierBundleIdentifier(),
                                  earlierBundleIdentifier() + QStringLiteral(".dev")};
    for (const QString& candidate : candidates) {
        const QString earlier =
            applicationSupport + QLatin1Char('/') + candidate + QLatin1Char('/') + fileName;
        if (!QFileInfo::exists(earlier))
            continue;
        if (QFile::copy(earlier, fileURL_))
            makePrivate(fileURL_);
        services_.log.log(QStringLiteral("Einstellungen aus ") + candidate +
                          QStringLiteral(" übernommen"));
        return;
    }
}

void SettingsStore::load() {
    QFile file(fileURL_);
    if (!file.open(QIODevice::ReadOnly)) {
        // A file that is there but cannot be read still belongs to the user.
        keepOldFile_ = file.exists();
        return;
    }
    const auto decoded = AssistantSettings::decode(file.readAll());
    if (!decoded) {
        keepOldFile_ = true;
        return;
    }
    settings_ = decoded->settings;
    keepOldFile_ = decoded->droppedUserData;
}

void SettingsStore::setSettings(const AssistantSettings& settings) {
    if (settings == settings_)
        return;
    const bool loginChanged = settings.launchAtLogin != settings_.launchAtLogin;
    settings_ = settings;
    save();
    emit settingsChanged();
    if (loginChanged)
        applyLaunchAtLogin();
}

void SettingsStore::save() {
    const QString failure = QStringLiteral("Einstellungen konnten nicht gespeichert werden: ");
    if (keepOldFile_) {
        if (!Platform::UnreadableFile::setAside(fileURL_, services_.clock.now())) {
            services_.log.log(failure +
                              QStringLiteral("Die bisherige, nicht lesbare Datei %1 ließ sich "
                                             "nicht beiseitelegen.")
                                  .arg(fileURL_));
            return;
        }
        keepOldFile_ = false;
    }

    if (const auto error = Platform::PrivateFile::write(fileURL_, settings_.encode()))
        services_.log.log(failure + *error);
}

void SettingsStore::applyLaunchAtLogin() {
    const auto error = settings_.launchAtLogin ? services_.loginItem.registerItem()
                                               : services_.loginItem.unregisterItem();
    if (error)
        services_.log.log(QStringLiteral("Login-Start fehlgeschlagen: ") + *error);
}
