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

}  // namespace StoredJson
