#include <gtest/gtest.h>

#include <QTest>

#include "Output/FieldRestorer.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/fake/FakeAccessibilityTree.h"
#include "Platform/fake/FakeClock.h"

using Platform::FakeAccessibilityTree;
using Platform::FakeAccessible;
using Field = FieldRestorer::Field;
using Outcome = FieldRestorer::Outcome;

namespace {

constexpr qint32 pid = 31;
const QString before = QStringLiteral("Liebe Anna,\nhallo Welt und danke.\n");
const QString after = QStringLiteral("Liebe Anna,\nhallo Hallo Anna, gern. und danke.\n");
const QString element = QStringLiteral(":1.42:/org/a11y/atspi/accessible/17");

// A GTK 3 application whose window has an editable field in focus, holding what the paste
// left, and another field beside it.
struct RestorerDesk {
    RestorerDesk() {
        tree.applications.insert(pid, application);
        application->focusedWindowValue = window;
        window->focusedElementValue = field;
        for (const auto& each : {field, other}) {
            each->editable = true;
            each->roleValue = QStringLiteral("AXTextField");
            each->toolkitValue = QStringLiteral("GTK 3.24.38");
        }
        field->identityValue = element;
        field->textValue = after;
        field->selectionRangeValue = Platform::TextRange{30, 30};
        other->identityValue = QStringLiteral(":1.42:/org/a11y/atspi/accessible/18");
        other->textValue = QStringLiteral("Termin am Freitag");
    }

    // The change the paste made: "Welt" was selected before it.
    FieldRestorer::Change change() const { return pasted; }
    FieldRestorer::Change pasted{Field{element, before, Platform::TextRange{18, 22}},
                                 Field{element, after, Platform::TextRange{30, 30}}};

    // Runs the undo; `onKey` plays the application's answer to its undo key.
    std::optional<Outcome> undo(std::function<void()> onKey = {}) {
        std::optional<Outcome> outcome;
        restorer.undo(
            pid, change(),
            [&] {
                ++keys;
                if (onKey)
                    onKey();
                return true;
            },
            [&](Outcome result) { outcome = result; });
        // Each step waits for the worker's answer; only the pause after the key is on the
        // clock.
        if (!QTest::qWaitFor([&] { return outcome || keys > 0; }, 5000) || outcome)
            return outcome;
        clock.advance(FieldRestorer::kUndoKeySettle);
        if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 5000))
            return std::nullopt;
        return outcome;
    }

    FakeAccessibilityTree tree;
    std::shared_ptr<FakeAccessible> application = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> window = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> field = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> other = std::make_shared<FakeAccessible>();
    Platform::FakeClock clock;
    Platform::AccessibilityWorker worker{tree.factory()};
    FieldRestorer restorer{worker, clock};
    int keys = 0;
};

// Nothing is undone unless the element that took the paste holds exactly what the paste
// left. An entry gets its earlier text written back with no key: its window's shortcuts would
// take the key first (mousepad's undoes the document behind its search entry). A text view
// gets the application's own undo key first and a write only where the key changed nothing.
// A written field gets its selection back.
TEST(FieldRestorerTest, UndoesOnlyWhatThePasteLeftAndSendsNoKeyThatCouldReachAnythingElse) {
    const auto textView = [](RestorerDesk& d) {
        d.field->roleValue = QStringLiteral("AXTextArea");
    };
    const auto qtField = [](RestorerDesk& d) {
        d.field->roleValue = QStringLiteral("AXTextArea");
        d.field->toolkitValue = QStringLiteral("Qt 6.4.2");
    };
    const struct {
        const char* name;
        std::function<void(RestorerDesk&)> arrange;
        // What the application does with its undo key.
        std::function<void(RestorerDesk&)> onKey;
        Outcome outcome;
        int keys;
        QString field;
        QString other = QStringLiteral("Termin am Freitag");
    } cases[] = {
        // The key would reach the window's own undo, which changes the other field.
        {"an entry: written back, no key for the window's shortcuts",
         {},
         [](RestorerDesk& d) { d.other->textValue = QStringLiteral("Termin am"); },
         Outcome::restored,
         0,
         before},
        {"an editor undoes by itself: nothing written", textView,
         [](RestorerDesk& d) { d.field->textValue = before; }, Outcome::undoneByApplication, 1,
         before},
        {"a text view without an undo of its own: the key changes nothing, written back",
         textView,
         {},
         Outcome::restored,
         1,
         before},
        {"the editor's undo changed the field some other way: its result stays", textView,
         [](RestorerDesk& d) { d.field->textValue = after.left(10); }, Outcome::leftToApplication,
         1, after.left(10)},
        {"the user typed in the entry since the paste: nothing written",
         [](RestorerDesk& d) { d.field->textValue = after + "x"; },
         {},
         Outcome::refused,
         0,
         after + "x"},
        // The editor's undo would take the typing back and leave the paste.
        {"the user typed in the editor since the paste: no key",
         [&](RestorerDesk& d) {
             textView(d);
             d.field->textValue = after + "x";
         },
         [](RestorerDesk& d) { d.field->textValue = after; }, Outcome::refused, 0, after + "x"},
        {"the keyboard is in another field: no key, nothing written there",
         [](RestorerDesk& d) {
             d.window->focusedElementValue = d.other;
             d.other->textValue = after;
         },
         {},
         Outcome::refused,
         0,
         after,
         after},
        {"the field cannot be read",
         [](RestorerDesk& d) { d.field->textFails = true; },
         {},
         Outcome::refused,
         0,
         after},
        {"the role did not come: it may be a password entry",
         [](RestorerDesk& d) { d.field->password = std::nullopt; },
         {},
         Outcome::refused,
         0,
         after},
        {"the entry cannot be written",
         [](RestorerDesk& d) { d.field->writable = false; },
         {},
         Outcome::refused,
         0,
         after},
        {"a Qt field's own undo takes the paste back", qtField,
         [](RestorerDesk& d) { d.field->textValue = before; }, Outcome::undoneByApplication, 1,
         before},
        // Its history would not know the write, and its next undo would take the wrong step.
        {"a Qt field whose undo changed nothing yet: the key was its own, nothing written",
         qtField,
         {},
         Outcome::leftToApplication,
         1,
         after},
        // A paste of several paragraphs leaves the keyboard in the last of them.
        {"a document's paragraph the paste ended in: the document's own undo",
         [](RestorerDesk& d) {
             for (const auto& paragraph : {d.field, d.other})
                 paragraph->roleValue = QStringLiteral("paragraph");
             d.pasted.after = {d.other->identityValue, "gern.", std::nullopt};
             d.window->focusedElementValue = d.other;
             d.other->textValue = QStringLiteral("gern.");
         },
         [](RestorerDesk& d) {
             d.window->focusedElementValue = d.field;
             d.field->textValue = before;
             d.other->textValue.clear();
         },
         Outcome::undoneByApplication, 1, before, QString()},
        {"the user typed in the Qt field since the paste: no key",
         [&](RestorerDesk& d) {
             qtField(d);
             d.field->textValue = after + "x";
         },
         [](RestorerDesk& d) { d.field->textValue = after; }, Outcome::refused, 0, after + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RestorerDesk desk;
        if (c.arrange)
            c.arrange(desk);
        const std::optional<Outcome> outcome = desk.undo([&] { c.onKey ? c.onKey(desk) : void(); });
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(desk.keys, c.keys);
        EXPECT_EQ(desk.field->textValue, c.field);
        EXPECT_EQ(desk.other->textValue, c.other);
        if (c.outcome == Outcome::restored) {
            EXPECT_EQ(desk.field->selectionRangeValue, (Platform::TextRange{18, 22}))
                << "the selection is lost";
        }
    }
}

// Every field that can be read whole is read, and says how an insertion is taken back: only a
// GTK 3 field is ever written; an empty answer that may be a failed read is no text.
TEST(FieldRestorerTest, ReadsEveryEditableFieldAndKnowsWhichToWriteBack) {
    using Undoing = FieldRestorer::Undoing;
    const struct {
        const char* name;
        QString toolkit;
        std::optional<bool> password;
        bool textFails;
        QString identity;
        QString text;
        std::optional<Undoing> undoing;
        QString role = "AXTextField";
    } cases[] = {
        {"GTK 3 entry", "GTK 3.24.38", false, false, element, "Anna", Undoing::byWriting},
        {"GTK 3 entry, empty", "gtk 3.24.38", false, false, element, "", Undoing::byWriting},
        {"GTK 3 text view", "GTK 3.24.38", false, false, element, "Anna", Undoing::byKeyThenWriting,
         "AXTextArea"},
        {"unreadable text", "GTK 3.24.38", false, true, element, "Anna", std::nullopt},
        {"password entry", "GTK 3.24.38", true, false, element, "geheim", std::nullopt},
        {"role unknown", "Qt 6.4.2", std::nullopt, false, element, "geheim", std::nullopt},
        {"no identity on the bus", "GTK 3.24.38", false, false, "", "Anna", std::nullopt},
        {"GTK 4 keeps its own undo", "GTK 4.12.4", false, false, element, "Anna", Undoing::byKey},
        {"Qt keeps its own undo", "Qt 6.4.2", false, false, element, "Anna", Undoing::byKey},
        // LibreOffice names itself GTK too; its document keeps the undo history.
        {"Writer paragraph keeps its own undo", "gtk 3.24.38", false, false, element, "Anna",
         Undoing::byKey, "paragraph"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RestorerDesk desk;
        desk.field->roleValue = c.role;
        desk.field->toolkitValue = c.toolkit;
        desk.field->password = c.password;
        desk.field->textFails = c.textFails;
        desk.field->identityValue = c.identity;
        desk.field->textValue = c.text;
        const std::optional<Field> field = FieldRestorer::focusedField(desk.tree, pid).field;
        ASSERT_EQ(field.has_value(), c.undoing.has_value());
        if (field) {
            EXPECT_EQ(field->text, c.text);
            EXPECT_EQ(field->element, element);
            EXPECT_EQ(field->selection, (Platform::TextRange{30, 30}));
            EXPECT_EQ(field->undoing, *c.undoing)
                << "an entry would get the undo key, a text view lose its editor's undo, or a "
                   "field with its own undo be written behind its back";
        }
    }
    // Only an application that is not on the bus shows no fields; one whose field could not
    // be read has a field nobody may act on blind.
    RestorerDesk desk;
    desk.field->textFails = true;
    EXPECT_EQ(FieldRestorer::focusedField(desk.tree, pid), (FieldRestorer::Reading{}));
    desk.tree.applications.clear();
    EXPECT_EQ(FieldRestorer::focusedField(desk.tree, pid),
              (FieldRestorer::Reading{std::nullopt, false}));
}

// A paragraph of a word processor belongs to the nearest document above it, however deep it
// sits: a paste of several paragraphs into a table cell, a header or a text frame is taken
// back by the document's undo.
TEST(FieldRestorerTest, AParagraphBelongsToTheNearestDocumentAboveIt) {
    const QString document = QStringLiteral(":1.42:/org/a11y/atspi/accessible/2");
    const struct {
        const char* name;
        // The roles between the paragraph and its document, from the paragraph up.
        QStringList between;
    } cases[] = {
        {"a table cell", {"table cell", "table"}},
        {"a header", {"header"}},
        {"a text frame in a section", {"text frame", "section"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RestorerDesk desk;
        desk.field->roleValue = QStringLiteral("paragraph");
        std::shared_ptr<FakeAccessible> below = desk.field;
        for (const QString& role : c.between) {
            auto container = std::make_shared<FakeAccessible>();
            container->roleValue = role;
            container->identityValue = role;
            below->parentValue = container;
            below = container;
        }
        auto top = std::make_shared<FakeAccessible>();
        top->roleValue = QStringLiteral("document text");
        top->identityValue = document;
        top->parentValue = std::make_shared<FakeAccessible>();
        top->parentValue->roleValue = QStringLiteral("AXWindow");
        below->parentValue = top;
        const std::optional<Field> field = FieldRestorer::focusedField(desk.tree, pid).field;
        ASSERT_TRUE(field);
        EXPECT_EQ(field->document.toStdString(), document.toStdString());
    }
}

// A rich-text editor's own text is a mark per paragraph, the same before and after any
// typing: its paragraphs are what it holds, or nothing could tell the user's typing.
TEST(FieldRestorerTest, ReadsARichTextEditorThroughItsParagraphs) {
    RestorerDesk desk;
    desk.field->roleValue = QStringLiteral("section");
    desk.field->toolkitValue = QStringLiteral("Gecko");
    const auto paragraph = [](const QString& text) {
        auto child = std::make_shared<FakeAccessible>();
        child->roleValue = QStringLiteral("paragraph");
        child->textValue = text;
        return child;
    };
    desk.field->embedded = {paragraph("Liebe Jana,"), paragraph("Hallo Welt Gruss"),
                            paragraph("Bis bald")};
    desk.field->textValue = QString(3, QChar(0xFFFC));
    desk.field->selectionRangeValue = Platform::TextRange{1, 2};
    const std::optional<Field> field = FieldRestorer::focusedField(desk.tree, pid).field;
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text, QStringLiteral("Liebe Jana,\nHallo Welt Gruss\nBis bald"));
    EXPECT_EQ(field->selection, std::nullopt) << "a selection among the marks is no place in it";
    EXPECT_EQ(field->undoing, FieldRestorer::Undoing::byKey);
}

// What the paste left in a field with its own undo is what the undo may take back: never the
// words the user typed while it landed, and never nothing for a reply whose line breaks the
// field stores its own way.
TEST(FieldRestorerTest, WhatThePasteLeftIsThePasteAlone) {
    const Field selected{element, "Hallo Welt und danke.", Platform::TextRange{6, 10}};
    const struct {
        const char* name;
        Field before;
        QString pasted;
        QString landed;
        QString left;
    } cases[] = {
        {"the paste in place of the selection", selected, "Anna", "Hallo Anna und danke.",
         "Hallo Anna und danke."},
        {"typed while it landed: the paste alone", selected, "Anna", "Hallo Anna Gruss und danke.",
         "Hallo Anna und danke."},
        {"a single-line field made a space of the line break", selected, "Anna,\nbis Freitag",
         "Hallo Anna, bis Freitag und danke.", "Hallo Anna, bis Freitag und danke."},
        {"a field that dropped the line break", selected, "Anna,\nbis Freitag",
         "Hallo Anna,bis Freitag und danke.", "Hallo Anna,bis Freitag und danke."},
        {"the selection is not known: the field as it landed",
         Field{element, "Liebe Jana,\nHallo Welt", std::nullopt}, "Anna", "Liebe Jana,\nHallo Anna",
         "Liebe Jana,\nHallo Anna"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Field landed = c.before;
        landed.text = c.landed;
        EXPECT_EQ(FieldRestorer::pasteLeft(c.before, landed, c.pasted), c.left);
    }
}

// A fetch is not yet the paste: the field read again tells whether it shows it.
TEST(FieldRestorerTest, TheFieldShowsThePasteOnlyOnceItHoldsIt) {
    const Field selected{element, "Hallo Welt", Platform::TextRange{6, 10}};
    const Field paragraph{element, "Liebe Jana,", std::nullopt};
    const Field greeting{element, "Hallo Anna,\nwie war es?", Platform::TextRange{0, 23}};
    const struct {
        const char* name;
        Field before;
        QString pasted;
        QString landed;
        std::optional<bool> shows;
        bool selectionGone = false;
        std::optional<Platform::TextRange> caret = std::nullopt;
    } cases[] = {
        {"in place of the selection", selected, "Anna", "Hallo Anna", true},
        {"not yet", selected, "Anna", "Hallo Welt", false},
        {"the page pasted the user's clipboard", selected, "Anna", "Hallo vorher", false},
        {"a paste that repeats what stood after the selection", selected, "Hallo Welt",
         "Hallo Hallo Welt", true},
        {"a line break made a space, and typing after it", selected, "Anna,\nbis Freitag",
         "Hallo Anna, bis Freitag ok", true},
        {"the selection not known", paragraph, "Gruss", "Liebe Jana, Gruss", true},
        {"the selection not known, not yet", paragraph, "Gruss", "Liebe Jana,", false},
        // Nothing changed, though the field no longer tells the selection: the greeting the
        // draft keeps must not pass for the paste.
        {"not yet, the selection gone", greeting, "Hallo Anna,\nwie geht es dir?",
         "Hallo Anna,\nwie war es?", false, true},
        {"only blanks, not yet", selected, " \n", "Hallo Welt", std::nullopt},
        {"only blanks", selected, " \n", "Hallo  ", true},
        {"the same text over itself, not yet", selected, "Welt", "Hallo Welt", false},
        {"the same text over itself: the caret after it", selected, "Welt", "Hallo Welt", true,
         false, Platform::TextRange{10, 10}},
        {"the same text over itself, the caret elsewhere", selected, "Welt", "Hallo Welt",
         std::nullopt, false, Platform::TextRange{0, 0}},
        {"the same text over itself, the selection gone", selected, "Welt", "Hallo Welt",
         std::nullopt, true},
        {"part of the paste only", selected, "Anna,\nbis Freitag", "Hallo Anna,\nbis Fr",
         false},
        {"an entry that keeps the first line", selected, "Anna,\nbis Freitag", "Hallo Anna,", true,
         false, std::nullopt},
        {"only the selection deleted yet", selected, "Anna", "Hallo ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Field landed = c.before;
        landed.text = c.landed;
        landed.selection.reset();
        if (c.landed == c.before.text && !c.selectionGone)
            landed.selection = c.caret ? c.caret : c.before.selection;
        EXPECT_EQ(FieldRestorer::showsPaste(c.before, landed, c.pasted), c.shows);
    }
    Field elsewhere = selected;
    elsewhere.element = QStringLiteral(":1.42:/other");
    EXPECT_EQ(FieldRestorer::showsPaste(selected, elsewhere, "Anna"), std::nullopt);
}

}  // namespace

// A paste of paragraphs takes a word processor's paragraph apart: once the element read before
// the paste is gone, the paragraph of the same document that has the keyboard is what tells of
// the paste. An element still there is read itself, wherever the keyboard went (a busy page may
// still paste into it), and a paragraph of another document tells nothing.
TEST(FieldRestorerTest, AParagraphThePasteTookApartIsFollowedIntoItsDocument) {
    const struct {
        const char* name;
        bool readBeforeGone;
        bool sameDocument;
        QString expected;
    } cases[] = {
        {"gone, the keyboard in the next paragraph", true, true, "gern – bis Freitag."},
        {"still there, the keyboard in the next paragraph", false, true, "Hallo Welt"},
        {"gone, the keyboard in another document", true, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RestorerDesk desk;
        const auto documentNamed = [](const QString& identity) {
            auto document = std::make_shared<FakeAccessible>();
            document->roleValue = QStringLiteral("document text");
            document->identityValue = identity;
            document->parentValue = std::make_shared<FakeAccessible>();
            return document;
        };
        const auto document = documentNamed(QStringLiteral("document"));
        const auto elsewhere = documentNamed(QStringLiteral("another document"));
        for (const auto& paragraph : {desk.field, desk.other}) {
            paragraph->roleValue = QStringLiteral("paragraph");
            paragraph->toolkitValue = QStringLiteral("VCL");
        }
        desk.field->textValue = QStringLiteral("Hallo Welt");
        desk.field->parentValue = document;
        desk.other->textValue = QStringLiteral("gern – bis Freitag.");
        desk.other->parentValue = c.sameDocument ? document : elsewhere;
        const std::optional<Field> read = FieldRestorer::focusedField(desk.tree, pid).field;
        ASSERT_TRUE(read);
        const auto readAgain = [&] {
            std::optional<FieldRestorer::Reading> reading;
            desk.restorer.readAgain(pid, *read,
                                    [&](FieldRestorer::Reading r) { reading = std::move(r); });
            EXPECT_TRUE(QTest::qWaitFor([&] { return reading.has_value(); }, 5000));
            return reading.value_or(FieldRestorer::Reading{});
        };
        ASSERT_TRUE(readAgain().field);
        desk.field->textFails = c.readBeforeGone;
        desk.window->focusedElementValue = desk.other;
        const FieldRestorer::Reading again = readAgain();
        EXPECT_EQ(again.field ? again.field->text : QString(), c.expected);
    }
}
