#pragma once

#include <QByteArray>
#include <optional>

#include "Platform/Clipboard.h"
#include "Platform/Clock.h"

namespace Platform::X11SelectionReader {

// How long the owner of the clipboard may take: an owner that hangs must not hold Tavrin up
// for the few seconds per format X11 allows.
struct Limits {
    Milliseconds perFormat{300};
    Milliseconds total{1000};
};

// The clipboard, or the primary selection: what was selected last, which terminals of the
// xterm family paste with Shift+Insert.
enum class Selection { clipboard, primary };

// Blocking reads of a selection over a connection of their own, for a worker thread. Formats
// whose data does not arrive within the limits are left out.

// Every offered format, in the owner's order, apart from the window system's own targets
// (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS), targets that make the owner act (DELETE,
// INSERT_SELECTION, INSERT_PROPERTY) and handles of server resources (PIXMAP, BITMAP,
// DRAWABLE). The X11 text targets become one "text/plain" in UTF-8.
// `complete`, where given, tells whether the owner answered everything in time (an empty
// selection is complete).
ClipboardContents readContents(const QByteArray& display, Limits limits,
                               Selection selection = Selection::clipboard,
                               bool* complete = nullptr);
// The clipboard's text (UTF8_STRING, else Latin-1 STRING).
std::optional<QString> readText(const QByteArray& display, Limits limits,
                                Selection selection = Selection::clipboard);

}  // namespace Platform::X11SelectionReader
