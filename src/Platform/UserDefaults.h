#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace Platform {

// Small per-user values (the global shortcuts), kept apart from settings.json.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    // True when any value is stored under `key`.
    virtual bool contains(const QString& key) const = 0;
    virtual QStringList keys() const = 0;
};

}  // namespace Platform
