#pragma once

#include <QRectF>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

#include "Context/AccessibilityGate.h"
#include "Platform/AccessibilityTree.h"

// What the accessibility bus tells about the focused window and field of one application.
namespace AXContextReader {

// Rectangles are in global screen coordinates: origin at the top-left corner of the primary
// screen, y downward.
struct FieldInfo {
    std::optional<QString> windowTitle;
    std::optional<QRectF> windowFrame;
    std::optional<QString> role;
    std::optional<QString> label;
    std::optional<QString> value;
    std::optional<QString> selectedText;
    bool selectionKnownEmpty = false;
    // The focused element hides what is typed into it, or could not say whether it does:
    // nothing of it may be read or copied.
    bool isPassword = false;
    bool isEditable = false;
    std::optional<QRectF> frame;
    // The application answered but named no window with the focus. GTK 3 does so for as long
    // as another client holds the keyboard, our own shortcut's grab included: such a read is
    // worth repeating once the key is up.
    bool noFocusedWindow = false;
    // The field's words are still being read: what came so far was handed over ahead of them
    // (see Pace::found), and `value` is not known yet.
    bool textPending = false;

    bool operator==(const FieldInfo&) const = default;
};

// How a read keeps pace with an application that answers slowly, for a caller that can wait
// for it: a busy browser answers every question late, a rich-text editor's words a paragraph
// at a time, while the field's place and selection are what the panel needs first.
struct Pace {
    // From the read's start, how long the field's place and selection may take once the
    // application has named its focused window; each question about the field may wait as
    // long. Zero: each waits callTimeout, within the collector's 0.4 s.
    std::chrono::milliseconds field{0};
    // Called on the reading thread once the application has named its focused window.
    std::function<void()> answering;
    // From the read's start, how long an editor's words are asked for.
    std::chrono::milliseconds words{0};
    // Called on the reading thread, ahead of the read's own answer, with everything but the
    // words and `textPending` set; only for a field that keeps its words in children. Without
    // it the words are read within the field's time, into the read's own answer.
    std::function<void(const FieldInfo&)> found;
};

// The longest any one query of a read may wait for the application.
inline constexpr std::chrono::milliseconds callTimeout{250};

// Reads the focused window and field of the application of process `pid`. Blocking: every
// query waits up to the tree's time limit, so it runs on the accessibility worker. Stops early,
// with what it has, once `stop` is requested: nobody wants the answer any more. A password
// field keeps its role, label and frame but never gives its text or selection. A field that
// keeps its words in children (a web page's rich-text editor) is read through them for as long
// as the read's time allows, measured on `now` (the steady clock when empty); past that its
// text and selection are unknown. `pace` may give a busy application more time, and such a
// field's words a time of their own after its place and selection were handed over.
FieldInfo read(Platform::AccessibilityTree& tree, qint32 pid, std::stop_token stop = {},
               const AccessibilityGate::Now& now = {}, const Pace& pace = {});

// Sleeps `duration` on the calling thread unless `stop` is requested first; false when it was,
// so that a read nobody waits for any more ends at once.
bool pause(std::chrono::milliseconds duration, const std::stop_token& stop);

// Whether a field's frame can be where the field is on screen: not tiny, not huge, not at the
// origin where some applications report frames they do not know, and with its centre in or
// near the window.
bool isPlausible(const QRectF& field, const std::optional<QRectF>& window);

}  // namespace AXContextReader
