#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "FieldScenario.h"

namespace {

const QString reply = QStringLiteral("Hallo Anna, gern – bis Freitag.");

// mousepad: a GTK 3 editor whose document (GtkSourceView) keeps an undo of its own, and whose
// window runs its shortcuts, the undo key among them, before the focused field sees a key.
class EditorScenario : public FieldScenario {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
            GTEST_SKIP() << "mousepad is not installed";
        FieldScenario::SetUp();
    }

    // mousepad with a letter, the keyboard in it and the caret at its end; sets `window` and
    // `application`.
    void openLetter() {
        const QString file = folder.filePath(QStringLiteral("brief.txt"));
        {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(letter.toUtf8());
        }
        field = &desktop.startClient(QStringLiteral("mousepad"), {file});
        window = focusedWindowMatching({QStringLiteral("--classname"), QStringLiteral("mousepad")},
                                       15000);
        ASSERT_NE(window, 0u) << "mousepad never showed its window";
        application = field->processId();
        ASSERT_TRUE(QTest::qWaitFor([&] { return document() == letter; }, 5000))
            << "the letter is not on the accessibility bus";
        desktop.key(QStringLiteral("ctrl+End"));
    }

    // The letter's last word selected, and the reply inserted over it from a panel opened
    // there; `shot` names the panel's screenshot.
    void insertOverLastWord(const QString& shot) {
        openLetter();
        if (HasFatalFailure())
            return;
        desktop.key(QStringLiteral("shift+ctrl+Left"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return selectionIn(application) == "Welt"; }, 5000))
            << "mousepad has no selection";
        askInWindow(window, shot);
        if (HasFatalFailure())
            return;
        desktop.key(QStringLiteral("ctrl+Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return document() == replied; }, 5000))
            << document().toStdString();
    }

    // The text of mousepad's document, and of its search entry, as a screen reader reads them.
    QString document() { return textOf(QStringLiteral("AXTextArea")).value_or(QString()); }
    std::optional<QString> searchEntry() { return textOf(QStringLiteral("AXTextField")); }

    std::optional<QString> textOf(const QString& role) {
        std::optional<QString> text;
        desktop.walk(application, [&](const Platform::AccessibleRef& e, int) {
            if (e->role() == role && e->isEditable() == true)
                text = e->text();
            return !text;
        });
        return text;
    }

    const QString letter = QStringLiteral("Liebe Anna,\nhallo Welt");
    const QString replied = QStringLiteral("Liebe Anna,\nhallo ") + reply;
    QTemporaryDir folder;
    quint64 window = 0;
    qint64 application = 0;
};

// Its own undo takes the paste back, nothing is rewritten, and its history is its own: a
// further Control+Z there leaves the text as it was before the paste.
TEST_F(EditorScenario, AnEditorWithItsOwnUndoUndoesThePasteItself) {
    insertOverLastWord(QStringLiteral("mousepad"));
    if (HasFatalFailure())
        return;
    undoTo(application, letter);
    // Nothing was rewritten: the editor's history holds the paste and its undo only.
    desktop.key(QStringLiteral("ctrl+z"));
    QTest::qWait(800);
    EXPECT_EQ(document().toStdString(), letter.toStdString())
        << "the editor's own undo emptied the text";
    EXPECT_FALSE(tavrinShows(undoRefused));
}

// The reply went into the search entry after the user had typed in the document. "Rückgängig"
// gives the entry its word back and leaves the document alone (the window's undo would have
// taken the typing), and the keyboard is in the entry again.
TEST_F(EditorScenario, TheUndoInTheSearchEntryLeavesTheDocumentAlone) {
    openLetter();
    if (HasFatalFailure())
        return;
    const QString typed = letter + QStringLiteral(" und Gruss");
    desktop.type(QStringLiteral(" und Gruss"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return document() == typed; }, 5000))
        << document().toStdString();
    desktop.key(QStringLiteral("ctrl+f"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return searchEntry() == QString(); }, 5000))
        << "no search entry";
    desktop.type(QStringLiteral("Welt"));
    desktop.key(QStringLiteral("shift+Home"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return searchEntry() == QStringLiteral("Welt"); }, 5000))
        << "the search entry holds: " << searchEntry().value_or("(none)").toStdString();
    askInWindow(window, QStringLiteral("editor-search"));
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return searchEntry() == reply; }, 5000))
        << "the reply is not in the search entry: "
        << searchEntry().value_or("(none)").toStdString();
    clickUndo();
    EXPECT_TRUE(QTest::qWaitFor([&] { return searchEntry() == QStringLiteral("Welt"); }, 5000))
        << "the search entry holds: " << searchEntry().value_or("(none)").toStdString();
    QTest::qWait(500);
    EXPECT_EQ(document().toStdString(), typed.toStdString())
        << "the undo took what the user typed in the document";
    EXPECT_FALSE(tavrinShows(undoRefused));

    desktop.key(QStringLiteral("End"));
    desktop.type(QStringLiteral(" Berlin"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return searchEntry() == QStringLiteral("Welt Berlin"); }, 5000))
        << "the keyboard is not back in the search entry: "
        << searchEntry().value_or("(none)").toStdString();
    EXPECT_EQ(document().toStdString(), typed.toStdString());
}

// What the user typed after the paste is not the paste: the editor's own undo would take the
// typing and leave the reply. Nothing is undone, the toast says so, and the keyboard is back in
// the document.
TEST_F(EditorScenario, TypingAfterThePasteIsNotTakenByTheEditorsUndo) {
    insertOverLastWord(QStringLiteral("editor-typed-after"));
    if (HasFatalFailure())
        return;
    const QString typed = replied + " Viele Gruesse";
    desktop.type(QStringLiteral(" Viele Gruesse"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return document() == typed; }, 5000))
        << document().toStdString();
    clickUndo();
    EXPECT_TRUE(tellsUndoRefused()) << "nothing tells that the undo did nothing";
    ScenarioDesktop::screenshot(QStringLiteral("editor-undo-refused"));
    EXPECT_EQ(document().toStdString(), typed.toStdString()) << "the undo took something back";

    desktop.type(QStringLiteral("!"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return document() == typed + "!"; }, 5000))
        << "the keyboard is not back in the document: " << document().toStdString();
}

}  // namespace
