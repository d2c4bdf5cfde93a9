#include "Platform/linux/QSettingsUserDefaults.h"

namespace Platform {

QSettingsUserDefaults::QSettingsUserDefaults(const QString& file)
    : settings_(file, QSettings::IniFormat) {}

void QSettingsUserDefaults::setValue(const QString& key, const QVariant& value) {
    settings_.setValue(key, value);
    settings_.sync();
}

void QSettingsUserDefaults::remove(const QString& key) {
    settings_.remove(key);
    settings_.sync();
}

}  // namespace Platform
