#include "Storage/StoredJson.h"

#include <QJsonValue>

namespace StoredJson {

bool readOptionalString(const QJsonObject& object, const QString& key,
                        std::optional<QString>& out) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        out.reset();
        return true;
    }
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

QJsonObject unknownMembers(const QJsonObject& object, const QStringList& known) {
    QJsonObject unknown;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key()))
            unknown.insert(it.key(), it.value());
    }
    return unknown;
}

}  // namespace StoredJson
