#pragma once

#include <QString>
#include <QVariant>

namespace Platform {

// Small per-user values (the global shortcuts), kept apart from settings.json.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
};

}  // namespace Platform
