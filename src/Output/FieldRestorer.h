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

// Undoes an insertion, and nothing but the insertion. Nothing is undone unless the very
// element that took the paste still holds exactly what the paste left: whatever the user typed
// since is never taken back. A GTK 3 field cannot be trusted with Control+Z: an entry keeps no
// undo history, and its window's shortcuts see the key before the entry does (in an editor the
// key undoes the document behind the search entry); a text view keeps one only where the
// application gave it one (GtkSourceView editors). An entry therefore gets its earlier text
// written back through the accessibility bus, with no key; a text view gets the undo key, and
// the earlier text is written back only where the key changed nothing. Every other field
// keeps an undo of its own, which takes the paste back whole (a rich-text editor's paragraphs
// included): it gets the key and is never written. Main thread only; the bus is asked on the
// accessibility worker, each answer within a time limit.
class FieldRestorer final : public QObject {
public:
    // How a field's insertion is taken back.
    enum class Undoing {
        // The field's own undo key, nothing written: its application keeps an undo history.
        byKey,
        // The earlier text written back, no key: a GTK 3 entry, where the key would reach the
        // window's shortcuts and no undo history of the entry's own.
        byWriting,
        // The key, and the earlier text written back where it changed nothing: a GTK 3 text
        // view, which keeps an undo history only where its application gave it one.
        byKeyThenWriting,
    };
    // One read of a field: which element it was, its whole text, and its selection (or caret).
    struct Field {
        QString element;
        QString text;
        std::optional<Platform::TextRange> selection;
        Undoing undoing = Undoing::byKey;
        // For a paragraph of a word processor's document, the document: a paste of several
        // paragraphs leaves the keyboard in another paragraph of it, which its undo takes
        // back with the rest. Empty for every other field.
        QString document;

        bool operator==(const Field&) const = default;
    };
    // What a read found.
    struct Reading {
        std::optional<Field> field;
        // Whether the application shows its fields on the bus (one that did not answer in time
        // counts as showing them): a field that could not be read there is unknown, not
        // missing, and nothing may be done to it blind.
        bool shown = true;
        // Whether the application answered at all: one too busy to answer in time (or stopped)
        // has handled nothing since it last did.
        bool answered = true;

        bool operator==(const Reading&) const = default;
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

    FieldRestorer(Platform::AccessibilityWorker& worker, Platform::Clock& clock);
    ~FieldRestorer() override;

    // The focused field of process `pid` where an undo can be checked: editable, known not to
    // hide its text, its element and text readable (a rich-text editor's through its
    // paragraphs, its selection then unknown).
    // No field otherwise, or when the answer did not come in time.
    void read(qint32 pid, std::function<void(Reading)> done);
    // The very element an earlier read of process `pid` found as `field`, read again wherever
    // the keyboard is now: an element stays readable after the keyboard has left it (the user
    // went to another window). No field when that element no longer answers, or when it was
    // read too long ago to be known still and the keyboard is not in it. A field expected to
    // hold about `characters` gets longer to answer: an application laying out megabytes
    // answers each question slowly for seconds.
    void readAgain(qint32 pid, const Field& field, std::function<void(Reading)> done,
                   qsizetype characters = 0);
    // Undoes `change` in process `pid`, which is in front: reads the field, and only where it is
    // the element the paste left the keyboard in and holds exactly what the paste left, writes
    // a GTK 3 entry's earlier text back, or sends the application's own undo key through
    // `undoKey`; a GTK 3 text view is then read again and written back where the key changed
    // nothing. A written field gets its selection back where it was.
    void undo(qint32 pid, const Change& change, std::function<bool()> undoKey,
              std::function<void(Outcome)> done);

    // What `before` holds once `pasted` has taken the place of its selection (or gone in at
    // its caret); none when the selection is not known.
    static std::optional<QString> withPaste(const Field& before, const QString& pasted);

    // What the paste left in a field with an undo history of its own, `before` the paste and
    // as it `landed`: the field as it landed where it holds the paste in place of the
    // selection, line breaks and spaces aside (applications store a reply's line breaks their
    // own way: a single-line field makes spaces of them, a rich-text editor paragraphs); where
    // it holds more (the user typed while the paste landed), what the paste alone leaves, so
    // that the typing is never undone as the paste's. Where the selection is not known, the
    // field as it landed.
    static QString pasteLeft(const Field& before, const Field& landed, const QString& pasted);

    // Whether the field shows `pasted`, read `before` the paste and again as it `landed`: it
    // holds the whole of it where the selection stood (a field of one line may keep its first
    // line only; a paragraph of a document its first line, the rest going into paragraphs of
    // their own). None where the field cannot tell: another element than the one read before,
    // or a paste that leaves the text as it was and a caret that says nothing either.
    static std::optional<bool> showsPaste(const Field& before, const Field& landed,
                                          const QString& pasted);

    // Whether `field`, not read before the paste, holds `pasted` (its first line where the
    // field keeps one line), blanks aside.
    static bool holdsPaste(const Field& field, const QString& pasted);

    // Whether the field holds only the beginning of `pasted` where the selection stood, and
    // around it what stood there `before`: a field that takes no more than so many characters
    // (an HTML maxlength, a single-line field's limit) keeps the paste cut short. False where the
    // selection is not known, or for a paragraph of a word processor.
    static bool showsPart(const Field& before, const Field& landed, const QString& pasted);

    // Whether the keyboard ended, as the paste of several paragraphs landed, in another paragraph
    // of the document that took it.
    static bool sameDocument(const Field& before, const Field& landed);

    // The same steps, blocking, on a tree.
    static Reading focusedField(Platform::AccessibilityTree& tree, qint32 pid);
    static bool writeBack(Platform::AccessibilityTree& tree, qint32 pid, const Change& change);

private:
    struct Undo;
    struct Held;

    void write(qint32 pid, const Change& change, std::function<void(bool)> done);
    void afterKey(const std::shared_ptr<Undo>& undo, Undoing undoing);

    template <typename Work>
    void ask(Work work, std::function<void(Reading)> done,
             Platform::Milliseconds extra = Platform::Milliseconds(0));

    Platform::AccessibilityWorker& worker_;
    Platform::Clock& clock_;
    std::unique_ptr<Platform::Timer> settle_;
    // The elements the latest reads found, for reading them again; used on the worker only.
    std::shared_ptr<Held> held_;
};
