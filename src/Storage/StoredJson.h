#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace StoredJson {

// Reads an optional text of a stored object: missing or null gives none, a string gives its
// value; any other type is a reading error (false), so that the caller refuses the object.
bool readOptionalString(const QJsonObject& object, const QString& key, std::optional<QString>& out);

// The members of `object` under keys not in `known`, as they were read. Another version of
// Tavrin (a newer one, or one on a second machine sharing the folder) may store more than this
// one knows; a record carries these along, so that writing it back loses none of them.
QJsonObject unknownMembers(const QJsonObject& object, const QStringList& known);

}  // namespace StoredJson
