#pragma once

#include <QLocale>

// Tavrin speaks German only, so its numbers, dates, times and quotation marks are German ones
// whatever the system's locale says (under LANG=C.UTF-8 Qt would write "0.2 s" and
// "8 Dec 2026"). The system's locale still decides what follows the user's language, such as
// the language dictation listens for.
namespace InterfaceLocale {

QLocale locale();

}  // namespace InterfaceLocale
