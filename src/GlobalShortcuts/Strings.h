#pragma once

#include <QString>

namespace GlobalShortcuts::Strings {

// The module's texts, compiled in and looked up by key; an unknown key reads as itself, so
// a missing text shows something rather than nothing.
QString text(const char* key);

}  // namespace GlobalShortcuts::Strings
