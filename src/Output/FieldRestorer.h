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

// Undoes an insertion in fields whose application keeps no undo history that Control+Z could
// use (GTK 3 entries and text views), by writing the field's earlier text back through the
// accessibility bus. It writes only into the very element that took the paste, only with the
// text that element held right before the paste, and only while it still holds exactly what
// the paste left: whatever the user typed since is never overwritten. Main thread only; the
// bus is asked on the accessibility worker, each answer within a time limit.
class FieldRestorer final : public QObject {
public:
    // One read of a field: which element it was, its whole text, and its selection (or caret).
    struct Field {
        QString element;
        QString text;
        std::optional<Platform::TextRange> selection;

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
        // The application's own undo key changed something else; its result is the
        // application's, nothing was written.
        leftToApplication,
        // The earlier text was written back.
        restored,
        // Nothing was undone and nothing written: the field is another one, has changed since
        // the paste, or could not be read or written.
        refused,
    };

    // The longest one read or write may take before it counts as failed.
    static constexpr Platform::Milliseconds kAnswerLimit{700};
    // How long the application gets to act on its undo key before the field is read again.
    static constexpr Platform::Milliseconds kUndoKeySettle{150};

    FieldRestorer(Platform::AccessibilityWorker& worker, Platform::Clock& clock)
        : worker_(worker), clock_(clock) {}

    // The focused field of process `pid` where a restore is possible: editable, known not to
    // hide its text, of a toolkit without an undo history, its element and text readable.
    // None otherwise, or when the answer did not come in time.
    void read(qint32 pid, std::function<void(std::optional<Field>)> done);
    // Undoes `change` in process `pid`, which is in front: reads the field, sends the
    // application's own undo key through `undoKey` (not when the keyboard is in another
    // element), reads again and writes the earlier text back only where the key changed
    // nothing and the field still holds what the paste left; the selection then goes back
    // where it was.
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
    void afterKey(const std::shared_ptr<Undo>& undo, const Field& pressed);

    Platform::AccessibilityWorker& worker_;
    Platform::Clock& clock_;
    std::unique_ptr<Platform::Timer> settle_;
};
