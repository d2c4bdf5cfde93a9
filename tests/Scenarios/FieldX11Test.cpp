#include <QFile>
#include <QTemporaryDir>

#include "FieldScenario.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

namespace {

// Then Control+Return puts the reply in place of the selection, the user's clipboard is as it
// was, and "Rückgängig" on the toast gives the field back its text.
TEST_F(FieldScenario, InAQtLineEditTheReplyReplacesTheSelectionAndIsUndone) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_FIELD_WINDOW), {QStringLiteral("fields")},
                         QStringLiteral("line-edit"));
    if (HasFatalFailure())
        return;
    // The line edit sits at the top of its window, with room for the panel below it.
    EXPECT_GT(shown.y, fieldWindow.y);
    EXPECT_LT(shown.y, fieldWindow.y + 120) << "the panel is not by the field";
    EXPECT_GT(shown.x, fieldWindow.x);
    EXPECT_LT(shown.x, fieldWindow.x + 120) << "the panel is not by the field";
    const qint64 application = field->processId();
    ASSERT_EQ(desktop.fieldText(application), QStringLiteral("Hallo Welt"));

    desktop.key(QStringLiteral("ctrl+Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return desktop.fieldText(application) ==
                   QStringLiteral("Hallo Hallo Anna, gern – bis Freitag.");
        },
        5000))
        << "the reply is not in place of the selection: "
        << desktop.fieldText(application).value_or("(no field)").toStdString();
    ScenarioDesktop::screenshot(QStringLiteral("line-edit-inserted"));
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig")); },
        toastWithinMs))
        << "no undo toast";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop.fieldText(application) == QStringLiteral("Hallo Welt"); }, 5000))
        << "the undo did not restore the field: "
        << desktop.fieldText(application).value_or("(no field)").toStdString();
}

// The same road in a GTK 3 text view of several lines. GTK 3 keeps no undo history: Control+Z
// would do nothing there, and "Rückgängig" writes the view's earlier text back instead.
TEST_F(FieldScenario, InAGtkTextViewOfSeveralLinesTheReplyReplacesTheSelection) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_TEXT_VIEW_WINDOW), {},
                         QStringLiteral("text-view"));
    if (HasFatalFailure())
        return;
    // The view fills its window and leaves too little room below it: the panel stands on
    // its top edge, left-aligned with it.
    EXPECT_LE(shown.y + shown.height, fieldWindow.y) << "the panel is not above the view";
    EXPECT_GT(shown.y + shown.height, fieldWindow.y - 40) << "the panel is not by the view";
    EXPECT_GE(shown.x, fieldWindow.x - 20);
    EXPECT_LT(shown.x, fieldWindow.x + 20) << "the panel is not by the view";
    const qint64 application = field->processId();
    desktop.key(QStringLiteral("ctrl+Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return desktop.fieldText(application) ==
                   QStringLiteral(
                       "Liebe Anna,\nhallo Hallo Anna, gern – bis Freitag. und "
                       "danke.\nBis bald");
        },
        5000))
        << "the reply is not in place of the selection: "
        << desktop.fieldText(application).value_or("(no field)").toStdString();
    ScenarioDesktop::screenshot(QStringLiteral("text-view-inserted"));
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
    undoTo(application, QStringLiteral("Liebe Anna,\nhallo Welt und danke.\nBis bald"));
    // The selection is where it was before the paste, not at the start of the view.
    EXPECT_TRUE(QTest::qWaitFor([&] { return selectionIn(application) == "Welt"; }, 3000))
        << "selected after the undo: " << selectionIn(application).value_or("(none)").toStdString();
}

// And in a GTK 3 entry, the other field that keeps no undo history.
TEST_F(FieldScenario, InAGtkEntryTheReplyReplacesTheSelectionAndIsUndone) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {}, QStringLiteral("gtk-entry"),
                         QStringLiteral("Beispiel"));
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    desktop.key(QStringLiteral("ctrl+Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return entryText(application) == QStringLiteral("Anna Hallo Anna, gern – bis Freitag.");
        },
        5000))
        << "the reply is not in place of the selection: " << entryText(application).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig")); },
        toastWithinMs))
        << "no undo toast";
    EXPECT_TRUE(QTest::qWaitFor([&] { return entryText(application) == "Anna Beispiel"; }, 5000))
        << "the undo did not restore the entry: " << entryText(application).toStdString();
}

// An application busy for a moment as the paste goes out (saving, swapping) asks for the reply
// late: it gets the reply, never what the user had copied before, and the user's clipboard
// comes back after it. Its field could not be read before the paste, so no undo is offered.
TEST_F(FieldScenario, AGtkEntryBusyAsThePasteGoesOutGetsTheReplyNeverTheEarlierClipboard) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {}, QStringLiteral("gtk-entry"),
                         QStringLiteral("Beispiel"));
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    ::kill(static_cast<pid_t>(application), SIGSTOP);
    desktop.key(QStringLiteral("ctrl+Return"));
    QTest::qWait(2000);
    ::kill(static_cast<pid_t>(application), SIGCONT);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return entryText(application) == QStringLiteral("Anna Hallo Anna, gern – bis Freitag.");
        },
        8000))
        << "the entry did not get the reply: " << entryText(application).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
    ASSERT_TRUE(QTest::qWaitFor([&] { return tavrinShows(QStringLiteral("Eingefügt")); },
                                toastWithinMs))
        << "no toast";
    EXPECT_FALSE(desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig")))
        << "an undo that could never be checked is offered";
}

// A multi-line Qt editor is the field whatever its toolkit calls it: the panel stands by it,
// the request carries its lines and the selection, the reply replaces "Welt", and Control+Z
// in the editor (its own undo) takes the reply back.
TEST_F(FieldScenario, InAQtPlainTextEditorTheFieldIsReadAndTheReplyReplacesTheSelection) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_FIELD_WINDOW), {QStringLiteral("editor")},
                         QStringLiteral("plain-text-edit"));
    if (HasFatalFailure())
        return;
    const QByteArray request = readFile(record.filePath("claude.stdin"));
    // As the request carries it, inside the tool's JSON input.
    EXPECT_TRUE(request.contains(
        R"(The field already contains: \"Liebe Anna,\nHallo Welt und danke.\nBis bald\")"))
        << "the tool did not get the field:\n"
        << request.toStdString();
    expectBeside(shown,
                 QRectF(fieldWindow.x, fieldWindow.y, fieldWindow.width, fieldWindow.height));
    const qint64 application = field->processId();
    desktop.key(QStringLiteral("ctrl+Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return desktop.fieldText(application) ==
                   QStringLiteral(
                       "Liebe Anna,\nHallo Hallo Anna, gern – bis Freitag. und danke.\nBis bald");
        },
        5000))
        << "the reply is not in place of the selection: "
        << desktop.fieldText(application).value_or("(no field)").toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
    undoTo(application, QStringLiteral("Liebe Anna,\nHallo Welt und danke.\nBis bald"));
}

// A Qt editor keeps an undo of its own, which would take back the words typed after the
// paste and leave the paste: "Rückgängig" leaves the editor as it is and says so.
TEST_F(FieldScenario, InAQtPlainTextEditorTypingAfterThePasteIsNotTakenByItsUndo) {
    askAboutTheSelection(QStringLiteral(TAVRIN_FIELD_WINDOW), {QStringLiteral("editor")},
                         QStringLiteral("plain-text-edit-typed-after"));
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    desktop.key(QStringLiteral("ctrl+Return"));
    const QString pasted =
        QStringLiteral("Liebe Anna,\nHallo Hallo Anna, gern – bis Freitag. und danke.\nBis bald");
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.fieldText(application) == pasted; }, 5000))
        << desktop.fieldText(application).value_or("(no field)").toStdString();
    desktop.type(QStringLiteral(" Gruss"));
    const QString typed = QString(pasted).replace(" und danke.", " Gruss und danke.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.fieldText(application) == typed; }, 5000))
        << desktop.fieldText(application).value_or("(no field)").toStdString();
    clickUndo();
    EXPECT_TRUE(tellsUndoRefused()) << "nothing tells that the undo did nothing";
    EXPECT_EQ(desktop.fieldText(application).value_or("(no field)").toStdString(),
              typed.toStdString())
        << "the undo took something back";
    desktop.type(QStringLiteral("!"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop.fieldText(application) == QString(typed).replace("Gruss", "Gruss!"); },
        5000))
        << "the keyboard is not back in the editor: "
        << desktop.fieldText(application).value_or("(no field)").toStdString();
}

// In LibreOffice Writer the paragraph that holds the selection is the field: the panel stands
// by it, the request carries its text, the reply replaces "Welt" and "Rückgängig" (Writer's own
// undo) takes it back.
TEST_F(FieldScenario, InLibreOfficeWriterTheParagraphIsTheField) {
    xclipIn("vorher");
    useTheStandInTool();
    // The second reply comes in paragraphs: the tool replays what this file holds then.
    const QString replay = record.filePath(QStringLiteral("replay.jsonl"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"), replay));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY", replay);
    QTemporaryDir documents;
    const QString letter = documents.filePath(QStringLiteral("brief.fodt"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_FIXTURES_DIR "/documents/brief.fodt"), letter));
    // Writer takes Control+Shift+Space for a protected space: Tavrin holds the shortcut before
    // Writer comes, so that no press meant for Tavrin lands in the letter.
    desktop.startClient(QStringLiteral("xterm"), {"-T", "scenario-other"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !runProgram(QStringLiteral("xdotool"),
                               {QStringLiteral("search"), QStringLiteral("--name"),
                                QStringLiteral("^scenario-other$")})
                        .trimmed()
                        .isEmpty();
        },
        10000));
    desktop.startTavrin();
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    desktop.key(QStringLiteral("Escape"));
    desktop.environment.insert("SAL_USE_VCLPLUGIN", "gtk3");
    desktop.startClient(QStringLiteral("soffice"),
                        {QStringLiteral("--writer"), QStringLiteral("--norestore"),
                         QStringLiteral("--nologo"), letter});
    const quint64 window = focusedWindowMatching(
        {QStringLiteral("--name"), QStringLiteral("LibreOffice Writer$")}, 60000);
    ASSERT_NE(window, 0u) << "Writer never came up with the keyboard";
    const qint64 writer = runProgram(QStringLiteral("xdotool"),
                                     {QStringLiteral("getwindowpid"), QString::number(window)})
                              .trimmed()
                              .toLongLong();
    // The first paragraph that begins with `start`, as a screen reader finds it.
    const auto paragraphStarting = [&](const QString& start) {
        Platform::AccessibleRef found;
        desktop.walk(writer, [&](const Platform::AccessibleRef& e, int) {
            if (e->role() == QLatin1String("paragraph") && e->text().startsWith(start))
                found = e;
            return !found;
        });
        return found;
    };
    // The second paragraph.
    const auto paragraph = [&] { return paragraphStarting(QStringLiteral("Hallo")); };
    const auto selectWelt = [&] {
        for (const char* key :
             {"ctrl+Home", "Down", "Right", "Right", "Right", "Right", "Right", "Right",
              "shift+Right", "shift+Right", "shift+Right", "shift+Right"})
            desktop.key(QString::fromLatin1(key));
    };
    const auto paragraphText = [&] {
        const Platform::AccessibleRef found = paragraph();
        return found ? found->text() : QString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return paragraph() != nullptr; }, 15000))
        << "the letter never showed on the accessibility bus";
    selectWelt();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return paragraph()->selectedText() == QStringLiteral("Welt"); }, 5000))
        << "Writer did not select the word";
    const std::optional<QRectF> frame = paragraph()->frame();
    ASSERT_TRUE(frame);

    askAbout(window, QStringLiteral("writer"));
    if (HasFatalFailure())
        return;
    const QByteArray request = readFile(record.filePath("claude.stdin"));
    EXPECT_TRUE(request.contains(R"(The field already contains: \"Hallo Welt und danke.\")"))
        << "the tool did not get the field:\n"
        << request.toStdString();
    expectBeside(shown, *frame);
    desktop.key(QStringLiteral("ctrl+Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return paragraphText() ==
                   QStringLiteral("Hallo Hallo Anna, gern – bis Freitag. und danke.");
        },
        5000))
        << "the reply is not in place of the selection: " << paragraphText().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig")); },
        toastWithinMs))
        << "no undo toast";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return paragraphText() == QStringLiteral("Hallo Welt und danke."); }, 5000))
        << "the undo did not restore the paragraph: " << paragraphText().toStdString();

    // A reply of paragraphs leaves the keyboard in the last of them, another element of the
    // same letter: "Rückgängig" takes the whole reply back from there.
    QByteArray paragraphs = readFile(replay);
    paragraphs.replace(" gern – bis Freitag.", "\\n\\ngern – bis Freitag.");
    {
        QFile file(replay);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(paragraphs);
    }
    selectWelt();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return paragraph()->selectedText() == QStringLiteral("Welt"); }, 5000))
        << "Writer did not select the word again";
    const QByteArray firstTool = readFile(record.filePath("claude.pid"));
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    desktop.type(QStringLiteral("Mach daraus eine Frage"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QByteArray tool = readFile(record.filePath("claude.pid"));
            return tool != firstTool && !processAlive(tool.trimmed().toLongLong());
        },
        20000))
        << "the tool never finished";
    EXPECT_TRUE(desktop.replyText().contains(QStringLiteral("bis Freitag.")))
        << "no reply in the panel";
    desktop.key(QStringLiteral("ctrl+Return"));
    const auto last = [&] { return paragraphStarting(QStringLiteral("gern")); };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return last() && last()->text() == QStringLiteral("gern – bis Freitag. und danke.");
        },
        5000))
        << "the reply's paragraphs are not in the letter";
    EXPECT_EQ(paragraphText(), QStringLiteral("Hallo Hallo Anna,"));
    clickUndo();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return paragraphText() == QStringLiteral("Hallo Welt und danke.") && !last(); },
        5000))
        << "the undo did not take the paragraphs back: " << paragraphText().toStdString();
    EXPECT_FALSE(tavrinShows(undoRefused)) << "the undo was refused";
}

// With "Panel schließen" off the panel comes back over the field after each insertion, and
// the user's clipboard is theirs again each time.
TEST_F(FieldScenario, WithThePanelKeptOpenItComesBackAfterEachInsertion) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_TEXT_VIEW_WINDOW), {},
                         QStringLiteral("kept-open"), QStringLiteral("Welt"),
                         R"("closePanelAfterInsert": false)");
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    const QString reply = QStringLiteral("Hallo Anna, gern – bis Freitag.");
    QString afterFirst;
    for (int insertion = 1; insertion <= 2; ++insertion) {
        SCOPED_TRACE(insertion);
        desktop.key(QStringLiteral("ctrl+Return"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return desktop.fieldText(application).value_or("").count(reply) == insertion; },
            5000))
            << desktop.fieldText(application).value_or("(no field)").toStdString();
        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
            << "the user's clipboard is lost";
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 5000))
            << "the panel did not come back";
        ASSERT_EQ(desktop.tavrin.state(), QProcess::Running) << "Tavrin is gone";
        // After the panel's entrance.
        QTest::qWait(1000);
        ScenarioDesktop::screenshot(QStringLiteral("kept-open-back-%1").arg(insertion));
        if (insertion == 1)
            afterFirst = desktop.fieldText(application).value_or("");
    }
    // The toast beside the panel that came back can be clicked, and its undo takes back the
    // second insertion only: the first stays.
    undoTo(application, afterFirst);
}

// Below an entry the panel that comes back stands where the toast stands: the toast moves
// aside, and a click on "Rückgängig" reaches it.
TEST_F(FieldScenario, WithThePanelKeptOpenTheToastBesideAnEntryCanBeClicked) {
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {},
                         QStringLiteral("kept-open-entry"), QStringLiteral("Beispiel"),
                         R"("closePanelAfterInsert": false)");
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return entryText(application) == "Anna Hallo Anna, gern – bis Freitag."; }, 5000))
        << entryText(application).toStdString();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 5000))
        << "the panel did not come back";
    // After the panel's entrance.
    QTest::qWait(1000);
    ScenarioDesktop::screenshot(QStringLiteral("kept-open-entry-back"));
    clickUndo();
    EXPECT_TRUE(QTest::qWaitFor([&] { return entryText(application) == "Anna Beispiel"; }, 5000))
        << "the click did not reach the toast: " << entryText(application).toStdString();
}

// A window of two entries: the shortcut is pressed in "Empfänger", the focus then goes to
// "Betreff", which takes the paste. The undo gives "Betreff" its own text back and leaves
// "Empfänger" alone.
TEST_F(FieldScenario, InAWindowOfTwoEntriesTheUndoGoesIntoTheEntryThatTookThePaste) {
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {}, QStringLiteral("two-entries"),
                         QStringLiteral("Beispiel"));
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    // One line at a time: the window reads a line when its input wakes it.
    field->write("subject Termin am Freitag\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return fieldTexts(application) == QStringList{QStringLiteral("Anna Beispiel"),
                                                          QStringLiteral("Termin am Freitag")};
        },
        5000))
        << fieldTexts(application).join(" | ").toStdString();
    field->write("focus subject\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->canReadLine(); }, 5000))
        << "the focus never went to the subject";
    EXPECT_EQ(field->readLine().trimmed(), "focused subject");
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList texts = fieldTexts(application);
            return texts.contains(QStringLiteral("Anna Beispiel")) &&
                   texts.join('|').contains(QStringLiteral("Hallo Anna, gern – bis Freitag."));
        },
        5000))
        << "the reply is not in the subject: " << fieldTexts(application).join(" | ").toStdString();
    clickUndo();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return fieldTexts(application) == QStringList{QStringLiteral("Anna Beispiel"),
                                                          QStringLiteral("Termin am Freitag")};
        },
        5000))
        << "after the undo: " << fieldTexts(application).join(" | ").toStdString();
    QTest::qWait(500);
    EXPECT_EQ(fieldTexts(application),
              (QStringList{QStringLiteral("Anna Beispiel"), QStringLiteral("Termin am Freitag")}));
}

// What the user typed after the paste is never overwritten: the undo leaves the entry as it
// is, and the toast says that nothing was undone.
TEST_F(FieldScenario, TypingAfterThePasteIsNeverOverwrittenByTheUndo) {
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {}, QStringLiteral("typed-after"),
                         QStringLiteral("Beispiel"));
    if (HasFatalFailure())
        return;
    const qint64 application = field->processId();
    desktop.key(QStringLiteral("ctrl+Return"));
    const QString pasted = QStringLiteral("Anna Hallo Anna, gern – bis Freitag.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return entryText(application) == pasted; }, 5000))
        << entryText(application).toStdString();
    desktop.type(QStringLiteral(" Gruß"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return entryText(application) == pasted + " Gruß"; }, 5000))
        << entryText(application).toStdString();
    clickUndo();
    EXPECT_TRUE(tellsUndoRefused()) << "nothing tells that the undo did nothing";
    ScenarioDesktop::screenshot(QStringLiteral("undo-refused"));
    EXPECT_EQ(entryText(application), pasted + " Gruß") << "the typing is lost";
}

}  // namespace
