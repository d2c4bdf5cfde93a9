#pragma once

#include <QString>

// Applications in which the user writes commands or code, not replies: no quoted message is
// looked for on their window picture.
namespace MessageApps {

// True for the known terminals, code editors and system tools, and for every JetBrains IDE.
bool contains(const QString& bundleIdentifier);

}  // namespace MessageApps
