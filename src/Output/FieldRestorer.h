#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "Platform/AccessibilityTree.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/Clock.h"

// Undoes an insertion in GTK 3 fields, where Control+Z cannot be trusted to undo it: an entry
// keeps no undo history, and its window's shortcuts see the key before the entry does (in an
// editor the key undoes the document behind the search entry); a text view keeps one only
// where the application gave it one (GtkSourceView editors). Nothing is undone unless the very
// element that took the paste still holds exactly what the paste left: whatever the user typed
// since is never taken back. An entry then gets its earlier text written back through the
// accessibility bus, with no key; a text view gets the undo key, and the earlier text is
// written back only where the key changed nothing. Main thread only; the bus is asked on the
// accessibility worker, each answer within a time limit.
class FieldRestorer final : public QObject {
public:
    // One read of a field: which element it was, its whole text, and its selection (or caret).
    struct Field {
        QString element;
        QString text;
        std::optional<Platform::TextRange> selection;
        // An entry of one line, where the undo key would reach the window's shortcuts and no
        // undo history of the field's own.
        bool singleLine = false;

        bool operator==(const Field&) const = default;
    };
    // A field read right before the paste key and again once the paste had landed.
    struct Change {
        Field before;
        Field after;

        bool operator==(const Change&) const = default;
    };
    enum class Outcome {
        // The application's own undo key gave the field back what it held before the paste.
        undoneByApplication,
        // The application's own undo key changed the field some other way; its result is the
        // application's, nothing was written.
        leftToApplication,
        // The earlier text was written back.
        restored,
        // Nothing was undone and nothing written: the field is another one, has changed since
        // the paste (no key was sent then), or could not be read or written, or the undo key
        // took the keyboard elsewhere.
        refused,
    };

    // The longest one read or write may take before it counts as failed.
    static constexpr Platform::Milliseconds kAnswerLimit{700};
    // How long the application gets to act on its undo key before the field is read again.
    static constexpr Platform::Milliseconds kUndoKeySettle{150};

    FieldRestorer(Platform::AccessibilityWorker& worker, Platform::Clock& clock)
        : worker_(worker), clock_(clock) {}

    // The focused field of process `pid` where a restore is possible: editable, known not to
    // hide its text, a GTK 3 entry or text view, its element and text readable.
    // None otherwise, or when the answer did not come in time.
    void read(qint32 pid, std::function<void(std::optional<Field>)> done);
    // Undoes `change` in process `pid`, which is in front: reads the field, and only where it is
    // the element that took the paste and holds exactly what the paste left, writes an entry's
    // earlier text back, or sends a text view the application's own undo key through
    // `undoKey`, reads again and writes the earlier text back where the key changed nothing.
    // A written field gets its selection back where it was.
    void undo(qint32 pid, const Change& change, std::function<bool()> undoKey,
              std::function<void(Outcome)> done);

    // What `before` holds once `pasted` has taken the place of its selection (or gone in at
    // its caret); none when the selection is not known.
    static std::optional<QString> withPaste(const Field& before, const QString& pasted);

    // The same steps, blocking, on a tree.
    static std::optional<Field> focusedField(Platform::AccessibilityTree& tree, qint32 pid);
    static bool writeBack(Platform::AccessibilityTree& tree, qint32 pid, const Change& change);

private:
    struct Undo;

    void write(qint32 pid, const Change& change, std::function<void(bool)> done);
    void afterKey(const std::shared_ptr<Undo>& undo);

    Platform::AccessibilityWorker& worker_;
    Platform::Clock& clock_;
    std::unique_ptr<Platform::Timer> settle_;
};
