#pragma once

#include <QString>
#include <QUuid>
#include <optional>

// The form in which Tavrin's files keep a UUID: 8-4-4-4-12 hexadecimal digits, upper case, no
// braces. One reading for every file, so that none of them accepts what another refuses.
namespace StoredUuid {

QString text(const QUuid& id);

// Exactly the 8-4-4-4-12 form, digits in either case; none for anything else, such as braces
// (which QUuid alone would take) or a trailing line break.
std::optional<QUuid> parse(const QString& text);

}  // namespace StoredUuid
