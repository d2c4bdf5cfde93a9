#pragma once

#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace Platform {

class AccessibleElement;
using AccessibleRef = std::shared_ptr<AccessibleElement>;

// A stretch of an element's text, in code points from its start; `end` is not part of it.
struct TextRange {
    int start = 0;
    int end = 0;
    bool operator==(const TextRange&) const = default;
};

// One object of another application's accessibility tree. Every call asks that application and
// may stall until the tree's per-call time limit; an answer that fails, times out or is missing
// comes back empty (an empty string, none, null). Used only on the thread that made the tree.
class AccessibleElement {
public:
    virtual ~AccessibleElement() = default;

    // The role in the readers' names: "AXTextField" (single-line and password entries),
    // "AXTextArea", "AXComboBox", "AXStaticText", "AXImage", "AXWebArea", "AXWindow"; the
    // system's own name for any other role; empty when unknown.
    virtual QString role() = 0;
    // A field that hides what is typed into it; none when its role could not be read.
    virtual std::optional<bool> isPassword() = 0;
    // Names this very element on the bus for as long as its application keeps it: two reads
    // that give the same identity read the same element. Empty when unknown.
    virtual QString identity() = 0;
    // None when the element's states could not be read.
    virtual std::optional<bool> isEditable() = 0;

    // The accessible name (a field's label, an image's alternative text, a window's title).
    virtual QString name() = 0;
    virtual QString description() = 0;
    // The toolkit the application is built with and its version, as in "GTK 3.24.38".
    virtual QString toolkit() = 0;
    // Replaces the whole text of an editable element; false when it cannot be written.
    virtual bool setText(const QString& text) = 0;
    // The hint shown in an empty field.
    virtual QString placeholder() = 0;
    // The name of the element that labels this one.
    virtual QString labelText() = 0;

    // The whole text, as it is: web content marks each embedded child with U+FFFC.
    virtual QString text() = 0;
    // How many characters the text has; none when it could not be read. Tells an empty text
    // from a read of text() that failed.
    virtual std::optional<int> characterCount() = 0;
    // The selected part of the text: empty when the element has a caret and no selection,
    // none when it says nothing about a selection.
    virtual std::optional<QString> selectedText() = 0;
    // Where the selection of selectedText() lies in text(): start == end is the caret without
    // a selection; none when the element says nothing about a selection.
    virtual std::optional<TextRange> selectionRange() = 0;
    // Selects [start, end), or puts the caret at `start` when both are equal.
    virtual bool setSelectionRange(int start, int end) = 0;
    // In global screen coordinates, Qt's logical pixels; none unless both sides are positive.
    virtual std::optional<QRectF> frame() = 0;

    // The element this one belongs to; null when it has none or the answer did not come.
    virtual AccessibleRef parent() { return nullptr; }
    virtual std::vector<AccessibleRef> children() = 0;
    // The same one call at a time, for a reader that must be able to stop between any two:
    // children() asks once per child, and a container may have thousands.
    virtual int childCount() = 0;
    virtual AccessibleRef childAt(int index) = 0;
    // The child that the U+FFFC at `characterOffset` of text() stands for, the `mark`-th such
    // mark (from 0); offsets count Unicode code points.
    virtual AccessibleRef embeddedObject(int characterOffset, int mark) = 0;

    // Of an application: its window that has the focus, and its first window.
    virtual AccessibleRef focusedWindow() = 0;
    virtual AccessibleRef mainWindow() = 0;
    // Of a window: the element inside it that has the keyboard focus.
    virtual AccessibleRef focusedElement() = 0;
};

}  // namespace Platform
