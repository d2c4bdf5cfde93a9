#include "Output/FieldRestorer.h"

#include <QPointer>
#include <chrono>
#include <stop_token>

#include "Context/AccessibilityGate.h"
#include "Context/EmbeddedText.h"

using Platform::AccessibleRef;
using Platform::TextRange;

namespace {

// Each question to the application; it is in front and has just taken a paste.
constexpr std::chrono::milliseconds callTimeout{250};
// All the questions for the paragraphs of a rich-text editor: the paste waits for the read.
// An editor too long to read in this time is a field that could not be read.
constexpr std::chrono::milliseconds paragraphsFor{200};

// GTK names itself "gtk" on the bus, and so does LibreOffice with its GTK 3 face, whose
// paragraphs keep their edits in the document's own undo: only GTK's own text roles are meant.
FieldRestorer::Undoing undoingOf(Platform::AccessibleElement& element) {
    using Undoing = FieldRestorer::Undoing;
    const QString role = element.role();
    const bool entry = role == QLatin1String("AXTextField");
    if (!entry && role != QLatin1String("AXTextArea"))
        return Undoing::byKey;
    if (!element.toolkit().startsWith(QLatin1String("gtk 3."), Qt::CaseInsensitive))
        return Undoing::byKey;
    return entry ? Undoing::byWriting : Undoing::byKeyThenWriting;
}

// Where the keyboard is in an application: whether the application is on the bus at all, and
// its focused element where that is editable and known not to hide its text.
struct Focus {
    bool shown = false;
    AccessibleRef element;
};

Focus focusedEditable(Platform::AccessibilityTree& tree, qint32 pid) {
    const AccessibleRef application = tree.application(pid);
    if (!application)
        return {};
    const AccessibleRef window = application->focusedWindow();
    if (!window)
        return {true, nullptr};
    AccessibleRef element = window->focusedElement();
    // A role that could not be read may be a password entry's.
    if (!element || element->isEditable() != true || element->isPassword() != false)
        return {true, nullptr};
    return {true, std::move(element)};
}

// How far above a paragraph its document may be: a table cell in a table in a text frame in
// a section is four; each step asks the bus twice.
constexpr int documentDepth = 8;

// A word processor shows each paragraph as an element of its own, inside the document:
// directly, or inside a table cell, a header or footer, a text frame or a section. The nearest
// document above it is its own; the window ends the search.
QString documentOf(Platform::AccessibleElement& element) {
    const QString role = element.role();
    if (role != QLatin1String("paragraph") && role != QLatin1String("heading"))
        return {};
    AccessibleRef ancestor = element.parent();
    for (int step = 0; ancestor && step < documentDepth; ++step) {
        const QString above = ancestor->role();
        if (above.startsWith(QLatin1String("document")))
            return ancestor->identity();
        if (above.isEmpty() || above == QLatin1String("AXWindow") ||
            above == QLatin1String("application"))
            return {};
        ancestor = ancestor->parent();
    }
    return {};
}

// A failed read also answers with an empty text: only a field that says it has no characters
// is known to be empty.
std::optional<QString> textOf(Platform::AccessibleElement& field) {
    QString text = field.text();
    if (text.isEmpty() && field.characterCount() != 0)
        return std::nullopt;
    return text;
}

// An application that has just taken megabytes lays them out for seconds, answering each
// question late (a GTK text view with five million characters took up to two seconds a
// question), though its field holds them.
Platform::Milliseconds largeFieldTime(qsizetype characters) {
    return Platform::Milliseconds(characters / 2000);
}

// The first of the worker's answer and the time limit decides; the other is dropped.
template <typename Result>
struct Answer {
    std::function<void(Result)> done;
    std::unique_ptr<Platform::Timer> limit;

    void settle(Result result) {
        if (!done)
            return;
        auto call = std::move(done);
        done = nullptr;
        limit.reset();
        call(std::move(result));
    }
};

// The bus counts characters (code points); QString counts UTF-16 units.
std::optional<qsizetype> unitIndex(const QString& text, int characters) {
    qsizetype index = 0;
    for (int counted = 0; counted < characters; ++counted) {
        if (index >= text.size())
            return std::nullopt;
        index += text.at(index).isHighSurrogate() && index + 1 < text.size() ? 2 : 1;
    }
    return index;
}

// The text without its blanks: fields keep line breaks and spaces their own way.
QString words(QStringView text) {
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace())
            kept += c;
    return kept;
}

}  // namespace

std::optional<QString> FieldRestorer::withPaste(const Field& before, const QString& pasted) {
    if (!before.selection || before.selection->end < before.selection->start ||
        before.selection->start < 0)
        return std::nullopt;
    const std::optional<qsizetype> start = unitIndex(before.text, before.selection->start);
    const std::optional<qsizetype> end = unitIndex(before.text, before.selection->end);
    if (!start || !end)
        return std::nullopt;
    return before.text.left(*start) + pasted + before.text.mid(*end);
}

QString FieldRestorer::pasteLeft(const Field& before, const Field& landed, const QString& pasted) {
    const std::optional<QString> computed = withPaste(before, pasted);
    if (!computed)
        return landed.text;
    return words(landed.text) == words(*computed) ? landed.text : *computed;
}

bool FieldRestorer::holdsPaste(const Field& field, const QString& pasted) {
    const QString first = words(pasted.section(QLatin1Char('\n'), 0, 0, QString::SectionSkipEmpty));
    return !first.isEmpty() && words(field.text).contains(first);
}

std::optional<bool> FieldRestorer::showsPaste(const Field& before, const Field& landed,
                                              const QString& pasted) {
    // Another element (a paste of paragraphs left the keyboard in the last of them, which may
    // hold any part of it) cannot tell.
    if (landed.element != before.element)
        return std::nullopt;
    const QString first = pasted.section(QLatin1Char('\n'), 0, 0, QString::SectionSkipEmpty);
    const std::optional<TextRange>& selected = before.selection;
    if (landed.text == before.text) {
        // Nothing has changed yet, wherever the selection went meanwhile (a field may move it or
        // stop telling it), unless the paste leaves the text as it was.
        const std::optional<QString> expected = withPaste(before, pasted);
        if (words(first).isEmpty())
            return std::nullopt;
        if (!expected || *expected != before.text)
            return false;
        // The text it replaces, pasted over itself: a paste leaves the caret right after what it
        // put in, where the selection ended.
        if (selected && selected->end > selected->start && landed.selection) {
            if (*landed.selection == *selected)
                return false;
            if (*landed.selection == TextRange{selected->end, selected->end})
                return true;
        }
        return std::nullopt;
    }
    // Only blanks: the field may keep them its own way; it changed.
    if (words(first).isEmpty())
        return true;
    // Fields store a text's line breaks and spaces their own way (a single-line field makes
    // spaces of them), and the user may type on right after the paste: the field shows the
    // paste where what stood before the selection is followed by the whole paste, blanks
    // aside. A text still arriving, or cut short, is not the paste.
    const QString landedWords = words(landed.text);
    const QString all = words(pasted);
    const bool paragraph = !before.document.isEmpty();
    if (selected && selected->start >= 0 && selected->end >= selected->start) {
        const std::optional<qsizetype> start = unitIndex(before.text, selected->start);
        const std::optional<qsizetype> end = unitIndex(before.text, selected->end);
        if (start && end) {
            const QString left = words(QStringView(before.text).left(*start));
            if (landedWords.startsWith(left + all))
                return true;
            // The rest of a paste of several lines goes into paragraphs of their own.
            if (paragraph)
                return landedWords.startsWith(left + words(first));
            // An entry that keeps the first line of a paste of several lines only.
            return all != words(first) &&
                   landedWords == left + words(first) + words(QStringView(before.text).mid(*end));
        }
    }
    // Without the selection (a rich-text editor's paragraphs): the paste stands once more than
    // before.
    const QString shown = paragraph ? words(first) : all;
    return landedWords.count(shown) > words(before.text).count(shown);
}

bool FieldRestorer::showsPart(const Field& before, const Field& landed, const QString& pasted) {
    const std::optional<TextRange>& selected = before.selection;
    if (landed.element != before.element || landed.text == before.text ||
        !before.document.isEmpty() || !selected ||
        selected->start < 0 || selected->end < selected->start)
        return false;
    const std::optional<qsizetype> start = unitIndex(before.text, selected->start);
    const std::optional<qsizetype> end = unitIndex(before.text, selected->end);
    if (!start || !end)
        return false;
    const QString left = words(QStringView(before.text).left(*start));
    const QString right = words(QStringView(before.text).mid(*end));
    const QString landedWords = words(landed.text);
    const QString all = words(pasted);
    if (!landedWords.startsWith(left) || !landedWords.endsWith(right) ||
        landedWords.size() < left.size() + right.size())
        return false;
    const QString kept = landedWords.mid(left.size(), landedWords.size() - left.size() - right.size());
    return !kept.isEmpty() && kept.size() < all.size() && all.startsWith(kept);
}

bool FieldRestorer::sameDocument(const Field& before, const Field& landed) {
    return !before.document.isEmpty() && landed.document == before.document;
}

namespace {

// The field `element` holds, read whole; none where it cannot be.
std::optional<FieldRestorer::Field> fieldOf(Platform::AccessibilityTree& tree,
                                            const AccessibleRef& element);

}  // namespace

// The elements the latest reads found, newest last. Only the worker touches it; a few are
// enough, since a paste is checked right after the read before it.
struct FieldRestorer::Held {
    static constexpr size_t kept = 8;
    std::vector<std::pair<QString, AccessibleRef>> elements;

    void keep(const QString& identity, AccessibleRef element) {
        if (identity.isEmpty() || !element)
            return;
        std::erase_if(elements, [&](const auto& held) { return held.first == identity; });
        elements.emplace_back(identity, std::move(element));
        if (elements.size() > kept)
            elements.erase(elements.begin());
    }

    AccessibleRef find(const QString& identity) const {
        for (const auto& [name, element] : elements)
            if (name == identity)
                return element;
        return nullptr;
    }
};

FieldRestorer::FieldRestorer(Platform::AccessibilityWorker& worker, Platform::Clock& clock)
    : worker_(worker), clock_(clock), held_(std::make_shared<Held>()) {}

FieldRestorer::~FieldRestorer() {
    // The elements are let go on the worker, the thread their library runs on.
    worker_.run(
        nullptr,
        [held = std::move(held_)](Platform::AccessibilityTree*) mutable {
            held.reset();
            return 0;
        },
        [](int) {});
}

FieldRestorer::Reading FieldRestorer::focusedField(Platform::AccessibilityTree& tree, qint32 pid) {
    const Focus focus = focusedEditable(tree, pid);
    Reading reading{std::nullopt, focus.shown};
    if (focus.element)
        reading.field = fieldOf(tree, focus.element);
    return reading;
}

namespace {

std::optional<FieldRestorer::Field> fieldOf(Platform::AccessibilityTree& tree,
                                            const AccessibleRef& element) {
    using Field = FieldRestorer::Field;
    std::optional<Field> reading;
    Field field;
    field.element = element->identity();
    field.undoing = undoingOf(*element);
    const std::optional<QString> text = textOf(*element);
    if (field.element.isEmpty() || !text)
        return reading;
    if (!text->contains(EmbeddedText::mark)) {
        field.text = *text;
        field.selection = element->selectionRange();
        field.document = documentOf(*element);
        reading = std::move(field);
        return reading;
    }
    // A rich-text editor keeps its words in its paragraphs and has only a mark for each in
    // its own text, which no typing changes: the paragraphs are what it holds. Where the
    // selection lies among their words is not known.
    const AccessibilityGate::Now now = [] {
        return std::chrono::steady_clock::now().time_since_epoch();
    };
    const std::stop_token never;
    AccessibilityGate gate(tree, now() + paragraphsFor, now, never, callTimeout);
    std::optional<QString> whole = EmbeddedText(*element, *text).text(gate);
    tree.setCallTimeout(callTimeout);
    if (!whole)
        return reading;
    field.text = std::move(*whole);
    reading = std::move(field);
    return reading;
}

}  // namespace

bool FieldRestorer::writeBack(Platform::AccessibilityTree& tree, qint32 pid, const Change& change) {
    const AccessibleRef element = focusedEditable(tree, pid).element;
    // A field with an undo history of its own is never written: its history would not know
    // the write.
    if (!element || undoingOf(*element) == Undoing::byKey ||
        change.before.element != change.after.element ||
        element->identity() != change.before.element || textOf(*element) != change.after.text ||
        !element->setText(change.before.text))
        return false;
    // Writing the text moves the caret to its start.
    if (const auto& selection = change.before.selection)
        element->setSelectionRange(selection->start, selection->end);
    return true;
}

template <typename Work>
void FieldRestorer::ask(Work work, std::function<void(Reading)> done,
                        Platform::Milliseconds extra) {
    using Result = Reading;
    auto answer = std::make_shared<Answer<Result>>();
    // The time limit's timer can outlive the restorer.
    answer->done = [self = QPointer(this), done = std::move(done)](Result field) {
        if (self)
            done(std::move(field));
    };
    std::weak_ptr<Answer<Result>> weak = answer;
    answer->limit = clock_.singleShot(kAnswerLimit + 3 * extra, [weak] {
        // An application too busy to answer still has its fields.
        if (auto late = weak.lock())
            late->settle(Reading{std::nullopt, true, false});
    });
    worker_.run(
        this,
        [work = std::move(work), held = held_,
         timeout = callTimeout + extra](Platform::AccessibilityTree* tree) -> Result {
            // No bus: no application shows anything.
            if (!tree)
                return Reading{std::nullopt, false};
            tree->setCallTimeout(timeout);
            Result result = work(*tree, *held);
            tree->setCallTimeout(callTimeout);
            return result;
        },
        [answer](Result field) { answer->settle(std::move(field)); });
}

void FieldRestorer::read(qint32 pid, std::function<void(Reading)> done) {
    ask(
        [pid](Platform::AccessibilityTree& tree, Held& held) {
            const Focus focus = focusedEditable(tree, pid);
            Reading reading{std::nullopt, focus.shown};
            if (!focus.element)
                return reading;
            reading.field = fieldOf(tree, focus.element);
            if (reading.field)
                held.keep(reading.field->element, focus.element);
            return reading;
        },
        std::move(done));
}

void FieldRestorer::readAgain(qint32 pid, const Field& field, std::function<void(Reading)> done,
                              qsizetype characters) {
    ask(
        [pid, field](Platform::AccessibilityTree& tree, Held& held) {
            const QString& identity = field.element;
            // The application showed the field: one that does not answer now still has it.
            Reading reading{std::nullopt, true};
            const AccessibleRef element = held.find(identity);
            if (element) {
                reading.field = fieldOf(tree, element);
                // An element the application has let go answers as a new one would, under
                // another name, or not at all.
                if (reading.field && reading.field->element == identity)
                    return reading;
                reading.field.reset();
            }
            const AccessibleRef focused = focusedEditable(tree, pid).element;
            if (!focused)
                return reading;
            std::optional<Field> found = fieldOf(tree, focused);
            if (found && found->element == identity) {
                held.keep(identity, focused);
                reading.field = std::move(found);
            } else if (element && found && sameDocument(field, *found)) {
                // A paste of paragraphs took the word processor's paragraph apart (the element
                // read before is gone): the keyboard is in another paragraph of the same
                // document now, which tells what can be told of the paste.
                reading.field = std::move(found);
            }
            return reading;
        },
        std::move(done), largeFieldTime(characters));
}

void FieldRestorer::write(qint32 pid, const Change& change, std::function<void(bool)> done) {
    // No time limit: a write cannot be called back once sent, and its answer is the truth.
    worker_.run(
        this,
        [pid, change](Platform::AccessibilityTree* tree) {
            if (!tree)
                return false;
            tree->setCallTimeout(callTimeout);
            return writeBack(*tree, pid, change);
        },
        std::move(done));
}

struct FieldRestorer::Undo {
    qint32 pid = 0;
    Change change;
    std::function<bool()> undoKey;
    std::function<void(Outcome)> done;

    void finish(Outcome outcome) {
        if (auto call = std::move(done))
            call(outcome);
    }
};

void FieldRestorer::undo(qint32 pid, const Change& change, std::function<bool()> undoKey,
                         std::function<void(Outcome)> done) {
    auto undo = std::make_shared<Undo>();
    undo->pid = pid;
    undo->change = change;
    undo->undoKey = std::move(undoKey);
    undo->done = std::move(done);
    read(pid, [this, undo](Reading reading) {
        const Change& change = undo->change;
        const std::optional<Field>& pressed = reading.field;
        // The keyboard is in another element, or in none that can be read, or the field holds
        // more or less than the paste left (the user typed since): an undo there would take
        // back something the user never asked to undo.
        if (!pressed || pressed->element != change.after.element ||
            pressed->text != change.after.text) {
            undo->finish(Outcome::refused);
            return;
        }
        if (pressed->undoing == Undoing::byWriting) {
            write(undo->pid, change, [undo](bool written) {
                undo->finish(written ? Outcome::restored : Outcome::refused);
            });
            return;
        }
        if (!undo->undoKey()) {
            undo->finish(Outcome::refused);
            return;
        }
        settle_ = clock_.singleShot(
            kUndoKeySettle, [this, undo, undoing = pressed->undoing] { afterKey(undo, undoing); });
    });
}

void FieldRestorer::afterKey(const std::shared_ptr<Undo>& undo, Undoing undoing) {
    read(undo->pid, [this, undo, undoing](Reading reading) {
        const Change& change = undo->change;
        const std::optional<Field>& now = reading.field;
        const bool same = now && now->element == change.before.element;
        if (same && now->text == change.before.text) {
            undo->finish(Outcome::undoneByApplication);
            return;
        }
        // The key was the application's, and so is what came of it, however long it takes.
        if ((same && now->text != change.after.text) || undoing == Undoing::byKey) {
            undo->finish(Outcome::leftToApplication);
            return;
        }
        // The key moved the keyboard elsewhere; or it changed nothing: a text view without an
        // undo history of its own gets its earlier text written back.
        if (!same) {
            undo->finish(Outcome::refused);
            return;
        }
        write(undo->pid, change, [undo](bool written) {
            undo->finish(written ? Outcome::restored : Outcome::refused);
        });
    });
}
