#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace StoredJson {

// Reads an optional text of a stored object: missing or null gives none, a string gives its
// value; any other type is a reading error (false), so that the caller refuses the object.
bool readOptionalString(const QJsonObject& object, const QString& key, std::optional<QString>& out);

}  // namespace StoredJson
