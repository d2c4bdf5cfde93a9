#pragma once

#include <QMap>
#include <QVariant>

#include "Platform/SaveFailures.h"
#include "Platform/UserDefaults.h"

namespace Platform {

class SystemLog;
class UserNotices;

// User defaults in an INI file under $XDG_CONFIG_HOME that QSettings reads. Read once, through
// QSettings; every change writes the whole file as PrivateFile does (QSettings' own write can
// replace the file after a failed last write, and tells nobody): private, whole or not at all.
// A failed write is logged and told once per run of failures; the values stay in memory and
// the next change writes them all. A file that cannot be read is kept aside at once.
class QSettingsUserDefaults final : public UserDefaults {
public:
    explicit QSettingsUserDefaults(const QString& file, SystemLog* log = nullptr,
                                   UserNotices* notices = nullptr);
    QVariant value(const QString& key) const override { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    bool contains(const QString& key) const override { return values_.contains(key); }
    QStringList keys() const override { return values_.keys(); }

    // The INI text QSettings reads back as `values` ("[General]", one line per key).
    static QByteArray iniText(const QMap<QString, QVariant>& values);

private:
    void load(SystemLog* log, UserNotices* notices);
    void save();

    QString file_;
    QMap<QString, QVariant> values_;
    SaveFailures failures_;
    // The file could not be read and could not be kept aside either: nothing replaces it.
    bool keepOldFile_ = false;
};

}  // namespace Platform
