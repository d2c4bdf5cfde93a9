#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "FieldScenario.h"

namespace {

const QString refused = QStringLiteral("Rückgängig nicht möglich – Feld unverändert gelassen");
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
    QTemporaryDir folder;
    quint64 window = 0;
    qint64 application = 0;
};

// Its own undo takes the paste back, nothing is rewritten, and its history is its own: a
// further Control+Z there leaves the text as it was before the paste.
TEST_F(EditorScenario, AnEditorWithItsOwnUndoUndoesThePasteItself) {
    openLetter();
    if (HasFatalFailure())
        return;
    // "Welt" selected at the end of the text.
    desktop.key(QStringLiteral("shift+ctrl+Left"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return selectionIn(application) == "Welt"; }, 5000))
        << "mousepad has no selection";
    askInWindow(window, QStringLiteral("mousepad"));
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return document() == QStringLiteral("Liebe Anna,\nhallo ") + reply; }, 5000))
        << document().toStdString();
    undoTo(application, letter);
    // Nothing was rewritten: the editor's history holds the paste and its undo only.
    desktop.key(QStringLiteral("ctrl+z"));
    QTest::qWait(800);
    EXPECT_EQ(document().toStdString(), letter.toStdString())
        << "the editor's own undo emptied the text";
    EXPECT_FALSE(tavrinShows(refused));
}

}  // namespace
