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
    const qint64 application = askInAGtkEntry();
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    EXPECT_TRUE(entryTakesTheReply(application, 5000))
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

// A logout (SIGTERM) after an insertion, while Tavrin serves the user's clipboard it gave back:
// a running clipboard manager keeps that clipboard, and so the user keeps it.
TEST_F(FieldScenario, EndedAfterAnInsertionTavrinLeavesTheUsersClipboardWithTheManager) {
    QTemporaryDir logs;
    const QString history = logs.filePath("history");
    desktop.startClient(QStringLiteral(TAVRIN_CLIPBOARD_KEEPER), {history});
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(history).contains("ready"); }, 5000));
    const qint64 application = askInAGtkEntry();
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(entryTakesTheReply(application, 5000));
    ASSERT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 5000));
    ::kill(static_cast<pid_t>(desktop.tavrin.processId()), SIGTERM);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return desktop.tavrin.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(desktop.tavrin.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(readFile(history).contains("saved: vorher")) << readFile(history).toStdString();
    EXPECT_EQ(xclipOut(), QByteArray("vorher")) << "the user's clipboard went with Tavrin";
}

// An application busy for a moment as the paste goes out (saving, swapping) asks for the reply
// late: it gets the reply, never what the user had copied before, and the user's clipboard
// comes back after it. Its field could not be read before the paste, so no undo is offered.
TEST_F(FieldScenario, AGtkEntryBusyAsThePasteGoesOutGetsTheReplyNeverTheEarlierClipboard) {
    const qint64 application = askInAGtkEntry();
    if (HasFatalFailure())
        return;
    ::kill(static_cast<pid_t>(application), SIGSTOP);
    desktop.key(QStringLiteral("ctrl+Return"));
    QTest::qWait(2000);
    ::kill(static_cast<pid_t>(application), SIGCONT);
    EXPECT_TRUE(entryTakesTheReply(application, 8000))
        << "the entry did not get the reply: " << entryText(application).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
    ASSERT_TRUE(QTest::qWaitFor([&] { return tavrinShows(QStringLiteral("Eingefügt")); },
                                toastWithinMs))
        << "no toast";
    EXPECT_FALSE(desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig")))
        << "an undo that could never be checked is offered";
}

// "Nach dem Einfügen senden" into a chat whose program is busy for a second as the paste goes
// out: the field could not be read before the paste, but the keyboard never left it, and the
// Return follows the paste once the field shows it there.
TEST_F(FieldScenario, AChatBusyForASecondAsThePasteGoesOutSendsTheReply) {
    xclipIn("vorher");
    askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {QStringLiteral("chat")},
                         QStringLiteral("gtk-chat"), QStringLiteral("Beispiel"),
                         R"("sendAfterInsert": true)");
    if (HasFatalFailure())
        return;
    const auto application = static_cast<pid_t>(field->processId());
    ::kill(application, SIGSTOP);
    desktop.key(QStringLiteral("ctrl+Return"));
    QTest::qWait(1000);
    ::kill(application, SIGCONT);
    QByteArray printed;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            printed += field->readAllStandardOutput();
            return printed.contains("sent Anna Hallo Anna, gern – bis Freitag.");
        },
        8000))
        << "the reply was not sent: " << printed.toStdString();
    EXPECT_FALSE(tavrinShows(QStringLiteral(
        "Eingefügt, aber nicht abgeschickt – die Tastatur war nicht mehr im Feld")))
        << "the toast says the keyboard had left";
    EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
        << "the user's clipboard is lost";
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

// After an insertion Tavrin serves the user's clipboard itself; a paste into its own panel
// takes it at once, and so do the panel's menu and other programs meanwhile.
TEST_F(FieldScenario, AfterAnInsertionAPasteIntoThePanelTakesTheUsersClipboardAtOnce) {
    const qint64 application = askInAGtkEntry();
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(entryTakesTheReply(application, 5000));
    ASSERT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000));
    ASSERT_TRUE(desktop.openPanel());

    desktop.key(QStringLiteral("ctrl+v"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop.fieldText(desktop.tavrin.processId()) == QStringLiteral("vorher"); },
        2000))
        << "the paste into the panel hangs: "
        << desktop.fieldText(desktop.tavrin.processId()).value_or("(no field)").toStdString();
    EXPECT_EQ(xclipOut(), QByteArray("vorher"));
}

// The shortcut pressed right after Control+Return brings the panel back before the paste key
// goes out: the key never goes into the panel, and the user learns where the reply is.
TEST_F(FieldScenario, TheShortcutRightAfterControlReturnKeepsThePasteKeyOutOfThePanel) {
    const qint64 application = askInAGtkEntry();
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    QTest::qWait(100);
    desktop.key(QStringLiteral("ctrl+shift+space"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return tavrinShows(
                QStringLiteral("Nicht eingefügt – der Text liegt in der Zwischenablage"));
        },
        3000))
        << "no word on where the reply is";
    EXPECT_FALSE(desktop.fieldText(desktop.tavrin.processId())
                     .value_or(QString())
                     .contains(QStringLiteral("Hallo Anna")))
        << "the paste key went into the panel";
    EXPECT_EQ(xclipOut(), QByteArray("Hallo Anna, gern – bis Freitag."));
    EXPECT_EQ(entryText(application), QStringLiteral("Anna Beispiel"));
    // The panel answers at once.
    desktop.type(QStringLiteral("noch"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return desktop.fieldText(desktop.tavrin.processId())
                .value_or(QString())
                .endsWith(QStringLiteral("noch"));
        },
        1500))
        << "the panel does not answer";
}

}  // namespace
