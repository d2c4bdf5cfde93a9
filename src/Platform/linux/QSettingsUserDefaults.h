#pragma once

#include <QSettings>

#include "Platform/UserDefaults.h"

namespace Platform {

// User defaults in an INI file under $XDG_CONFIG_HOME.
class QSettingsUserDefaults final : public UserDefaults {
public:
    explicit QSettingsUserDefaults(const QString& file);
    QVariant value(const QString& key) const override { return settings_.value(key); }
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    bool contains(const QString& key) const override { return settings_.contains(key); }
    QStringList keys() const override { return settings_.allKeys(); }

private:
    QSettings settings_;
};

}  // namespace Platform
