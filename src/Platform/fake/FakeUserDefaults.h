#pragma once

#include <QMap>

#include "Platform/UserDefaults.h"

namespace Platform {

class FakeUserDefaults final : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values[key] = value; }
    void remove(const QString& key) override { values.remove(key); }
    bool contains(const QString& key) const override { return values.contains(key); }
    QStringList keys() const override { return values.keys(); }
    QMap<QString, QVariant> values;
};

}  // namespace Platform
