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

QString saveFailure() {
    return QStringLiteral("Einstellungen konnten nicht gespeichert werden: ");
}

}  // namespace

SettingsStore::SettingsStore(const QString& applicationSupport, Services services, QObject* parent)
    : QObject(parent),
      services_(services),
      failures_(&services.log, services.notices, saveFailure(),
                tr("Einstellungen konnten nicht gespeichert werden: %1\nDeine Änderung gilt, bis "
                   "Tavrin beendet wird; die nächste Änderung speichert alles erneut.")) {
    const QString folder =
        applicationSupport + QLatin1Char('/') + Platform::AppPaths::applicationId();
    // A failure here shows up, and is logged, at the first save.
    Platform::AppPaths::makePrivateFolder(folder);
    fileURL_ = folder + QLatin1Char('/') + fileName;
    Platform::PrivateFile::removeLeftovers(fileURL_);
    migrateFromEarlierBundles(applicationSupport);
    const bool everyValueRead = load();
    if (keepOldFile_)
        keepUnreadableFile(everyValueRead);
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

bool SettingsStore::load() {
    QFile file(fileURL_);
    if (!file.open(QIODevice::ReadOnly)) {
        // A file that is there but cannot be read still belongs to the user.
        keepOldFile_ = file.exists();
        return false;
    }
    const auto decoded = AssistantSettings::decode(file.readAll());
    if (!decoded) {
        keepOldFile_ = true;
        return false;
    }
    settings_ = decoded->settings;
    // A file damaged only at its end is written anew too, but its copy is kept all the same:
    // what looked like its end may have been more.
    keepOldFile_ = decoded->droppedUserData || decoded->damaged;
    return !decoded->droppedUserData;
}

// What the user is told first about a file that did not read whole: what of it is in use.
QString SettingsStore::whatWasRead(bool everyValueRead) const {
    if (everyValueRead)
        return tr(
            "Deine Einstellungen waren am Ende der Datei beschädigt. Tavrin hat sie repariert; "
            "es fehlt nichts.");
    if (settings_ == AssistantSettings())
        return tr(
            "Deine Einstellungen ließen sich nicht lesen und stehen alle auf den "
            "Standardwerten.");
    return tr(
        "Deine Einstellungen ließen sich nur zum Teil lesen. Was lesbar war, gilt weiter; "
        "der Rest steht auf den Standardwerten.");
}

// Said at once, not at the first save: otherwise the user meets the introduction again, with
// "Über mich" and the learned actions gone, and no word why. The record read so far is written
// straight away, so that the next start reads it and does not tell the same thing again.
void SettingsStore::keepUnreadableFile(bool everyValueRead) {
    if (!Platform::UnreadableFile::setAsideAndTell(fileURL_, services_.clock.now(),
                                                   whatWasRead(everyValueRead), &services_.log,
                                                   services_.notices))
        return;
    keepOldFile_ = false;
    write();
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
    if (keepOldFile_) {
        if (const auto error =
                Platform::UnreadableFile::setAsideBeforeSaving(fileURL_, services_.clock.now())) {
            failures_.failed(*error);
            return;
        }
        keepOldFile_ = false;
    }
    write();
}

void SettingsStore::write() {
    if (const auto error = Platform::PrivateFile::write(fileURL_, settings_.encode()))
        failures_.failed(*error);
    else
        failures_.succeeded();
}

void SettingsStore::applyLaunchAtLogin() {
    const auto error = settings_.launchAtLogin ? services_.loginItem.registerItem()
                                               : services_.loginItem.unregisterItem();
    if (error)
        services_.log.log(QStringLiteral("Login-Start fehlgeschlagen: ") + *error);
}
