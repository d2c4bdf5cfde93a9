#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "Output/TextInserter.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/XTestKeySender.h"
#include "Platform/linux/XcbConnection.h"
#include "X11InserterDesk.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScriptedSelectionOwner.h"
#include "support/TestWindows.h"
#include "support/XcbPlatform.h"

using namespace Platform;

namespace {

// A desktop with a window manager, the line-edit window and an xterm, and the inserter
// wired to the real backends.
class TextInserterX11Test : public ::testing::Test, protected X11InserterDesk {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(startWindowManager(windowManager));
        xclipIn("Vorher");

        lineEdit.windowId =
            startTestWindow(lineEditWindow, QStringLiteral(TAVRIN_LINE_EDIT_WINDOW));
        ASSERT_NE(lineEdit.windowId, 0u);
        lineEdit.windowInstance = lineEdit.windowClass = "OutputLineEditWindow";

        // xterm binds Control+Shift+V and +C to the clipboard only when told to.
        terminalOutput = scratch.filePath("terminal");
        startTerminal(xterm, terminal, terminalOutput,
                      {"-xrm", QStringLiteral("XTerm*VT100.translations: #override "
                                              "Ctrl Shift <Key>V: insert-selection(CLIPBOARD)\\n"
                                              "Ctrl Shift <Key>C: copy-selection(CLIPBOARD)")});
    }

    // An xterm (or `program`, of the WM_CLASS `instance` and `windowClass`) whose program
    // writes what it receives, raw, into `output`; it is the active window once this returns.
    void startTerminal(QProcess& process, RunningApplication& application, const QString& output,
                       QStringList arguments = {}, const QString& program = "xterm",
                       const QString& instance = "xterm", const QString& windowClass = "XTerm") {
        const QString windowIdFile = output + ".window";
        arguments << "-e"
                  << "sh"
                  << "-c"
                  << QString("stty raw -echo; echo $WINDOWID > '%1'; cat > '%2'")
                         .arg(windowIdFile, output);
        process.start(program, arguments);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return readFile(windowIdFile).trimmed().toUInt() != 0; }, 10000));
        application.windowId = readFile(windowIdFile).trimmed().toUInt();
        application.windowInstance = instance;
        application.windowClass = windowClass;
        ASSERT_TRUE(QTest::qWaitFor([&] { return windows.isActive(application); }, 5000));
    }

    void TearDown() override {
        for (QProcess* process :
             {&keeper, &gtkEntry, &plainXterm, &xterm, &lineEditWindow, &windowManager}) {
            if (process->processId() > 0)
                ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    // A window manager that has gone leaves its last active window, the line edit, on the root
    // window, while the keyboard focus, where keys go, moves on to the terminal.
    void loseWindowManagerWithFocusOnTheTerminal() {
        windowManager.terminate();
        ASSERT_TRUE(windowManager.waitForFinished(3000));
        const quint32 stale = lineEdit.windowId;
        xcb_change_property(connection->connection(), XCB_PROP_MODE_REPLACE, connection->root(),
                            connection->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1, &stale);
        connection->flush();
        runProgram("xdotool", {"windowfocus", "--sync", QString::number(terminal.windowId)});
    }

    TextInserter::Insertion insert(const QString& text, const RunningApplication& target,
                                   bool pressReturn) {
        std::optional<TextInserter::Insertion> done;
        inserter.insert(text, target, pressReturn,
                        [&](const TextInserter::Insertion& insertion) { done = insertion; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 8000));
        return done.value_or(TextInserter::Insertion{});
    }

    QTemporaryDir scratch;
    QProcess windowManager;
    QProcess lineEditWindow;
    QProcess xterm;
    QProcess plainXterm;
    QProcess gtkEntry;
    QProcess keeper;
    QString terminalOutput;
    RunningApplication lineEdit;
    RunningApplication terminal;
};

TEST_F(TextInserterX11Test, PastesIntoALineEditAndCopiesItsSelection) {
    insert("Hallo", lineEdit, false);

    EXPECT_TRUE(windows.isActive(lineEdit));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lineEditWindow.canReadLine(); }, 2000));
    EXPECT_EQ(lineEditWindow.readLine().trimmed(), QByteArray("text Hallo"));
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));

    trust.trusted = true;
    runProgram("xdotool", {"key", "ctrl+a"});
    std::optional<std::optional<QString>> copied;
    inserter.copySelection([&](std::optional<QString> text) { copied = text; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return copied.has_value(); }, 5000));
    EXPECT_EQ(*copied, "Hallo");
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
}

// The copy key would replace a clipboard that cannot be kept whole (one format of it does not
// come): no key goes out, and the owner keeps the clipboard with every format.
TEST_F(TextInserterX11Test, NoCopyKeyWhileTheClipboardCannotBeKeptWhole) {
    insert("Hallo", lineEdit, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lineEditWindow.canReadLine(); }, 2000));
    lineEditWindow.readAll();
    ScriptedSelectionOwner owner({{"UTF8_STRING", "Besitzer"}, {"text/html", {}, true}});
    trust.trusted = true;
    runProgram("xdotool", {"key", "ctrl+a"});

    std::optional<std::optional<QString>> copied;
    inserter.copySelection([&](std::optional<QString> text) { copied = text; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return copied.has_value(); }, 8000));

    EXPECT_EQ(*copied, std::nullopt);
    EXPECT_EQ(xclipOut(), QByteArray("Besitzer"));
    EXPECT_TRUE(xclipOut("TARGETS").contains("text/html"));
}

// "Senden selbst übernehmen" asks for a Return after the paste, but in a terminal a Return
// runs the pasted line in the shell: none goes out there.
TEST_F(TextInserterX11Test, PastesIntoATerminalWithItsOwnKeysAndNoReturn) {
    primaryIn("Auswahl");
    insert("Befehl", lineEdit, false);
    insert("echo Hallo", terminal, true);

    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(terminalOutput).size() >= 10; }, 2000));
    QTest::qWait(500);
    // A literal ^V would have arrived had plain Control+V been sent, and "\r" with a Return.
    EXPECT_EQ(readFile(terminalOutput), QByteArray("echo Hallo"));
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
    EXPECT_EQ(primaryOut(), QByteArray("Auswahl")) << "the user's selection is lost";

    // Alacritty pastes the clipboard with Control+Shift+V, and reads it over a connection of
    // its own: no Return follows there either.
    QProcess alacritty;
    RunningApplication other;
    const QString otherOutput = scratch.filePath("alacritty");
    startTerminal(alacritty, other, otherOutput, {}, "alacritty", "Alacritty", "Alacritty");
    if (HasFatalFailure())
        return;
    other.processIdentifier = static_cast<qint32>(alacritty.processId());
    EXPECT_TRUE(insert("echo Hallo", other, true).pasted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(otherOutput).size() >= 10; }, 2000));
    QTest::qWait(500);
    EXPECT_EQ(readFile(otherOutput), QByteArray("echo Hallo"));
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
    alacritty.terminate();
    alacritty.waitForFinished(3000);
}

TEST_F(TextInserterX11Test, TerminalKeysFollowTheKeyboardFocusOverAStaleActiveWindow) {
    loseWindowManagerWithFocusOnTheTerminal();
    primaryIn("Auswahl");

    EXPECT_FALSE(keys.sendKey(VirtualKey::C, EventFlag::Command));
    EXPECT_FALSE(keys.sendKey(VirtualKey::Z, EventFlag::Command));
    EXPECT_FALSE(keys.sendKey(VirtualKey::V, EventFlag::Command));
    EXPECT_TRUE(keys.sendKey(VirtualKey::Insert, EventFlag::Shift));

    // Control+C, +Z or +V would have arrived as the raw bytes 3, 26 or 22.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !readFile(terminalOutput).isEmpty(); }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(readFile(terminalOutput), QByteArray("Auswahl"));
}

TEST_F(TextInserterX11Test, NoReturnWhereTheTargetLacksTheKeyboardFocus) {
    loseWindowManagerWithFocusOnTheTerminal();

    insert("echo Hallo", lineEdit, true);

    // The keys go to the focus: the xterm there takes the line edit's paste key for a control
    // character, so neither it nor a Return, which would run the text, goes out. The user's
    // clipboard stays; the caller places the text.
    QTest::qWait(500);
    EXPECT_EQ(readFile(terminalOutput), QByteArray());
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
}

// A stock xterm hands Control+Shift+C and +V to its program as Control+C (3) and Control+V
// (22): it gets neither, and a draft reaches it through the primary selection.
TEST_F(TextInserterX11Test, AStockXtermGetsNoControlKeyAndTheDraftThroughThePrimarySelection) {
    RunningApplication plain;
    const QString output = scratch.filePath("plain");
    startTerminal(plainXterm, plain, output);
    primaryIn("Auswahl");

    EXPECT_FALSE(keys.sendKey(VirtualKey::C, EventFlag::Command));
    EXPECT_FALSE(keys.sendKey(VirtualKey::V, EventFlag::Command));
    insert("Hallo Anna", plain, false);

    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(output).size() >= 10; }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(readFile(output), QByteArray("Hallo Anna"));
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
    EXPECT_EQ(primaryOut(), QByteArray("Auswahl")) << "the user's selection is lost";
}

// What a window printed so far, line by line.
QByteArray printed(QProcess& process) {
    QTest::qWait(0);
    return process.readAllStandardOutput();
}

// An application busy for a moment as the paste goes out (saving, swapping) asks for the text
// late: it gets the draft, never what the user had copied before, and the Return after the
// paste comes after the text. A clipboard history that copies every new clipboard at once does
// not pass for the paste.
TEST_F(TextInserterX11Test, ABusyApplicationGetsTheDraftNeverTheEarlierClipboard) {
    struct Case {
        const char* name;
        enum { qtLineEdit, gtkChatEntry, stockXterm } window;
        bool pressReturn;
        bool history;
        QByteArray expected;
    };
    const Case cases[] = {
        {"a Qt line edit", Case::qtLineEdit, false, false, "text Hallo"},
        {"a GTK 3 entry, beside a busy clipboard history", Case::gtkChatEntry, false, true,
         "text \"Hallo\""},
        {"a chat entry sends what it holds on Return", Case::gtkChatEntry, true, false,
         "sent \"Hallo\""},
        {"a stock xterm", Case::stockXterm, false, false, "Hallo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (QProcess* process : {&keeper, &gtkEntry, &plainXterm}) {
            process->kill();
            process->waitForFinished(3000);
        }
        xclipIn("Vorher");
        primaryIn("Auswahl");
        const QString history = scratch.filePath("history");
        if (c.history) {
            // It asks for each new clipboard only after the paste key went out.
            keeper.start(TAVRIN_CLIPBOARD_KEEPER, {history, "500"});
            ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(history).contains("ready"); }, 5000));
        }
        RunningApplication target;
        QProcess* process = &lineEditWindow;
        const QString output = scratch.filePath("plain");
        if (c.window == Case::stockXterm) {
            startTerminal(plainXterm, target, output);
            process = &plainXterm;
        } else if (c.window == Case::gtkChatEntry) {
            target.windowId = startTestWindow(gtkEntry, QStringLiteral(TAVRIN_GTK_CHAT_ENTRY));
            ASSERT_NE(target.windowId, 0u);
            target.windowInstance = target.windowClass = "gtk-chat-entry-window.py";
            process = &gtkEntry;
        } else {
            target = lineEdit;
        }
        printed(*process);

        ::kill(static_cast<pid_t>(process->processId()), SIGSTOP);
        std::optional<TextInserter::Insertion> done;
        inserter.insert("Hallo", target, c.pressReturn,
                        [&](const TextInserter::Insertion& insertion) { done = insertion; });
        QTest::qWait(2000);
        EXPECT_FALSE(done) << "the insert ended before the application had the text";
        ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 8000));
        EXPECT_TRUE(done->pasted);

        QByteArray seen;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                seen += c.window == Case::stockXterm ? readFile(output) : printed(*process);
                return seen.contains(c.expected);
            },
            3000))
            << seen.toStdString();
        EXPECT_FALSE(seen.contains("Vorher")) << seen.toStdString();
        EXPECT_FALSE(seen.contains("Auswahl")) << seen.toStdString();
        EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
        EXPECT_EQ(primaryOut(), QByteArray("Auswahl"));
        // A clipboard history that asks for every new owner's text gets what the user had:
        // the draft goes to the paste key alone.
        if (c.history) {
            EXPECT_TRUE(readFile(history).contains("copied: Vorher"))
                << readFile(history).toStdString();
            EXPECT_FALSE(readFile(history).contains("Hallo")) << readFile(history).toStdString();
        }
    }
}

// Stopped for longer than any paste may take, the application gets nothing claimed: the draft
// waits on the clipboard, and the user's clipboard comes back only once it was fetched.
TEST_F(TextInserterX11Test, AnApplicationThatDoesNotAskInTimeStillGetsTheDraftLater) {
    printed(lineEditWindow);
    ::kill(static_cast<pid_t>(lineEditWindow.processId()), SIGSTOP);
    const TextInserter::Insertion insertion = insert("Hallo", lineEdit, true);
    EXPECT_FALSE(insertion.pasted);
    EXPECT_TRUE(insertion.waiting);
    EXPECT_EQ(xclipOut(), QByteArray("Hallo"));

    ::kill(static_cast<pid_t>(lineEditWindow.processId()), SIGCONT);
    QByteArray seen;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            seen += printed(lineEditWindow);
            return seen.contains("text Hallo");
        },
        3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return xclipOut() == "Vorher"; }, 2000));
    EXPECT_FALSE(seen.contains("Vorher"));
}

// The user copied in the very application the reply goes to, and it is busy as the paste goes
// out: what it copied is kept whole before anything is written over it, however long the
// application takes to hand it over.
TEST_F(TextInserterX11Test, ACopyInTheBusyTargetIsKeptBeforeThePaste) {
    windows.activate(lineEdit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows.isActive(lineEdit); }, 5000));
    runProgram("xdotool", {"type", "Treffen"});
    runProgram("xdotool", {"key", "ctrl+a", "ctrl+c"});
    ASSERT_TRUE(QTest::qWaitFor([] { return xclipOut() == "Treffen"; }, 3000));
    printed(lineEditWindow);

    ::kill(static_cast<pid_t>(lineEditWindow.processId()), SIGSTOP);
    std::optional<TextInserter::Insertion> done;
    inserter.insert("Hallo", lineEdit, false,
                    [&](const TextInserter::Insertion& insertion) { done = insertion; });
    QTest::qWait(3000);
    ::kill(static_cast<pid_t>(lineEditWindow.processId()), SIGCONT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 10000));

    EXPECT_TRUE(done->pasted);
    QByteArray seen;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            seen += printed(lineEditWindow);
            return seen.contains("text Hallo");
        },
        3000))
        << seen.toStdString();
    EXPECT_EQ(xclipOut(), QByteArray("Treffen")) << "the user's copy is lost";
}

// An application told its draft did not go in, which wakes after a later draft went into
// another window, pastes its own draft: never the later one, never the user's clipboard.
TEST_F(TextInserterX11Test, AnApplicationThatWaitsGetsItsOwnDraftAfterALaterOne) {
    printed(lineEditWindow);
    ::kill(static_cast<pid_t>(lineEditWindow.processId()), SIGSTOP);
    const TextInserter::Insertion first = insert("Erster", lineEdit, false);
    EXPECT_TRUE(first.waiting);
    const TextInserter::Insertion second = insert("Zweiter", terminal, false);
    EXPECT_TRUE(second.pasted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(terminalOutput) == "Zweiter"; }, 2000));

    ::kill(static_cast<pid_t>(lineEditWindow.processId()), SIGCONT);
    QByteArray seen;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            seen += printed(lineEditWindow);
            return seen.contains("text ");
        },
        3000));
    QTest::qWait(300);
    seen += printed(lineEditWindow);
    EXPECT_EQ(seen.trimmed(), QByteArray("text Erster"));
    EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
}

// A stopped application takes every paste key queued for it once it runs again, each reading
// the clipboard as it is then. A second draft for it, while the first one's key is still
// unanswered, takes that key's place: it goes in once, never twice.
TEST_F(TextInserterX11Test, ASecondDraftForAStoppedApplicationGoesInOnce) {
    struct Case {
        const char* name;
        bool gtk;
        QByteArray once;
        QByteArray twice;
    };
    const Case cases[] = {
        {"a Qt line edit", false, "text Zweiter", "ZweiterZweiter"},
        {"a GTK 3 entry", true, "text \"Zweiter\"", "ZweiterZweiter"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunningApplication target = lineEdit;
        QProcess* process = &lineEditWindow;
        if (c.gtk) {
            target.windowId = startTestWindow(gtkEntry, QStringLiteral(TAVRIN_GTK_CHAT_ENTRY));
            ASSERT_NE(target.windowId, 0u);
            target.windowInstance = target.windowClass = "gtk-chat-entry-window.py";
            process = &gtkEntry;
        }
        target.processIdentifier = static_cast<qint32>(process->processId());
        printed(*process);

        ::kill(static_cast<pid_t>(process->processId()), SIGSTOP);
        EXPECT_TRUE(insert("Erster", target, false).waiting);
        EXPECT_TRUE(insert("Zweiter", target, false).waiting);
        ::kill(static_cast<pid_t>(process->processId()), SIGCONT);

        QByteArray seen;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                seen += printed(*process);
                return seen.contains(c.once);
            },
            3000))
            << seen.toStdString();
        QTest::qWait(1000);
        seen += printed(*process);
        EXPECT_FALSE(seen.contains(c.twice)) << seen.toStdString();
        EXPECT_FALSE(seen.contains("Erster")) << seen.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return xclipOut() == "Vorher"; }, 3000));
    }
}

// When Tavrin goes while it serves the clipboard, a clipboard manager keeps it.
TEST_F(TextInserterX11Test, TheClipboardGoesToTheClipboardManagerWhenTavrinEnds) {
    const QString history = scratch.filePath("history");
    keeper.start(TAVRIN_CLIPBOARD_KEEPER, {history});
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(history).contains("ready"); }, 5000));
    {
        X11Clipboard served;
        served.write({ClipboardItem{{{"text/plain", QByteArray("Meins")}}}});
        ASSERT_TRUE(served.holdsOwnWrite());
    }
    EXPECT_TRUE(readFile(history).contains("saved: Meins")) << readFile(history).toStdString();
    EXPECT_EQ(xclipOut(), QByteArray("Meins"));
}

}  // namespace

namespace {

// The visible top-level window of process `pid`, as the window manager lists it; 0 while none.
quint32 windowOf(qint64 pid) {
    const QList<QByteArray> found =
        runProgram("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
            .split('\n');
    for (const QByteArray& line : found) {
        if (line.trimmed().toUInt() != 0)
            return line.trimmed().toUInt();
    }
    return 0;
}

void typeKeys(const char* chord) {
    runProgram("xdotool", {"key", chord});
}

}  // namespace

// Where only the fetch tells that a paste went in, the user's own paste right after it, in the
// same program, gets what the user copied: never the draft a second time. Programs that stamp
// their reads with the key that asked (Qt, GTK, xterm) and those that stamp none (Alacritty,
// reading over a connection of its own) alike; a middle click pastes the user's selection.
TEST_F(TextInserterX11Test, TheUsersOwnPasteRightAfterAnInsertGetsWhatTheUserHas) {
    struct Case {
        const char* name;
        enum { qtLineEdit, gtkEntryOffTheBus, alacritty, stockXterm } window;
        std::vector<const char*> userPastes;
        QByteArray expected;
    };
    const Case cases[] = {
        {"a Qt line edit", Case::qtLineEdit, {"ctrl+v"}, "text EntwurfVorher"},
        {"a GTK entry off the accessibility bus",
         Case::gtkEntryOffTheBus,
         {"ctrl+v", "ctrl+v"},
         "text \"EntwurfVorherVorher\""},
        {"Alacritty", Case::alacritty, {"ctrl+shift+v"}, "EntwurfVorher"},
        {"a stock xterm: Shift+Insert and a middle click",
         Case::stockXterm,
         {"shift+Insert", "click"},
         "EntwurfAuswahlAuswahl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        xclipIn("Vorher");
        primaryIn("Auswahl");
        QProcess program;
        RunningApplication target;
        const QString output = scratch.filePath(QString("user-%1").arg(int(c.window)));
        if (c.window == Case::qtLineEdit) {
            target = lineEdit;
            runProgram("xdotool", {"windowactivate", "--sync", QString::number(target.windowId)});
            printed(lineEditWindow);
        } else if (c.window == Case::gtkEntryOffTheBus) {
            qputenv("NO_AT_BRIDGE", "1");
            target.windowId = startTestWindow(program, QStringLiteral(TAVRIN_GTK_CHAT_ENTRY));
            qunsetenv("NO_AT_BRIDGE");
            ASSERT_NE(target.windowId, 0u);
            target.windowInstance = target.windowClass = "gtk-chat-entry-window.py";
            target.processIdentifier = static_cast<qint32>(program.processId());
            ASSERT_TRUE(QTest::qWaitFor([&] { return windows.isActive(target); }, 5000));
        } else if (c.window == Case::alacritty) {
            startTerminal(program, target, output, {}, "alacritty", "Alacritty", "Alacritty");
            target.processIdentifier = static_cast<qint32>(program.processId());
        } else {
            startTerminal(program, target, output);
            target.processIdentifier = static_cast<qint32>(program.processId());
        }
        if (HasFatalFailure())
            return;
        QProcess& shows = c.window == Case::qtLineEdit ? lineEditWindow : program;
        // A terminal's output file holds all it received; a window prints each change anew.
        QByteArray all;
        const auto seen = [&] {
            if (c.window == Case::alacritty || c.window == Case::stockXterm)
                all = readFile(output);
            else
                all += printed(shows);
            return all;
        };

        EXPECT_TRUE(insert("Entwurf", target, false).pasted);
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen().contains("Entwurf"); }, 3000));
        for (const char* paste : c.userPastes) {
            if (QByteArray(paste) == "click") {
                const ScreenRect rect = windowRect(target.windowId);
                runProgram("xdotool", {"mousemove", "--sync", QString::number(rect.x + 40),
                                       QString::number(rect.y + 40), "click", "2"});
            } else {
                typeKeys(paste);
            }
            QTest::qWait(300);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen().contains(c.expected); }, 3000))
            << all.toStdString();
        EXPECT_FALSE(all.contains("EntwurfEntwurf")) << all.toStdString();
        EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
        program.terminate();
        program.waitForFinished(3000);
    }
}

// One program, two windows. The draft for the first is not taken in time; a draft for the
// second then goes in where the program handled the first key without a paste (a button had the
// keyboard), and no key goes out while the program has handled nothing (stopped). Either way the
// user's own paste in the second window gets what the user was left with, and the first window
// gets its own draft whenever its key is answered.
TEST_F(TextInserterX11Test, AnotherWindowOfAProgramWithAWaitingKeyGetsWhatTheUserPastes) {
    struct Case {
        const char* name;
        bool buttonHasTheKeyboard;
        bool stopped;
        bool secondPasted;
        // In the second window once the user has pasted there; in the first at the end.
        QByteArray second;
        QByteArray first;
    };
    const Case cases[] = {
        {"a button had the keyboard", true, false, true, "text 2 \"ZweiterVorher\"", ""},
        {"the program is stopped", false, true, false, "text 2 \"Zweiter\"", "text 1 \"Erster\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        xclipIn("Vorher");
        QProcess program;
        RunningApplication one;
        one.windowId =
            startTestWindow(program, QStringLiteral(TAVRIN_GTK_TWO_WINDOWS),
                            c.buttonHasTheKeyboard ? QStringList{"button"} : QStringList{});
        ASSERT_NE(one.windowId, 0u);
        ASSERT_TRUE(QTest::qWaitFor([&] { return program.canReadLine(); }, 5000));
        RunningApplication two = one;
        two.windowId = program.readLine().trimmed().mid(7).toUInt();
        ASSERT_NE(two.windowId, 0u);
        one.processIdentifier = two.processIdentifier = static_cast<qint32>(program.processId());
        one.windowInstance = one.windowClass = two.windowInstance = two.windowClass =
            "gtk-two-windows.py";
        runProgram("xdotool", {"windowactivate", "--sync", QString::number(one.windowId)});
        if (c.stopped)
            ::kill(static_cast<pid_t>(program.processId()), SIGSTOP);

        const TextInserter::Insertion first = insert("Erster", one, false);
        EXPECT_FALSE(first.pasted);
        EXPECT_TRUE(first.waiting);
        runProgram("xdotool", {"windowactivate", "--sync", QString::number(two.windowId)});
        const TextInserter::Insertion second = insert("Zweiter", two, false);
        EXPECT_EQ(second.pasted, c.secondPasted);
        EXPECT_EQ(second.targetBusy, !c.secondPasted);
        // Where nothing went in, the caller leaves the draft for the user to paste.
        if (!second.pasted)
            clipboard.write({ClipboardItem{{{"text/plain", "Zweiter"}}}});
        if (c.secondPasted) {
            typeKeys("ctrl+v");
        } else {
            typeKeys("ctrl+v");
            ::kill(static_cast<pid_t>(program.processId()), SIGCONT);
        }
        QByteArray all;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return (all += printed(program)).contains(c.second); }, 5000))
            << all.toStdString();
        if (!c.first.isEmpty()) {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return (all += printed(program)).contains(c.first); }, 5000))
                << all.toStdString();
        }
        EXPECT_FALSE(all.contains("text 2 \"Erster")) << all.toStdString();
        ::kill(static_cast<pid_t>(program.processId()), SIGCONT);
        program.terminate();
        program.waitForFinished(3000);
    }
}

// A terminal that no window class names (an xterm started under a class of its own; termit,
// whose Control+V and Control+Shift+V reach the program as a control character) is known by
// its program: it gets Shift+Insert, with the draft on whichever selection it reads, and no
// Return.
TEST_F(TextInserterX11Test, ATerminalKnownByItsProgramTakesTheDraftAndNoControlCharacter) {
    struct Case {
        const char* name;
        QString program;
        QStringList arguments;
        QString instance;
        QString windowClass;
    };
    const Case cases[] = {
        {"an xterm under a class of its own",
         "xterm",
         {"-name", "notizen", "-class", "Notizen"},
         "notizen",
         "Notizen"},
        {"termit", "termit", {}, "termit", "Termit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        xclipIn("Vorher");
        primaryIn("Auswahl");
        const QString output = scratch.filePath("known-" + c.instance);
        QProcess terminalProgram;
        QStringList arguments = c.arguments;
        const QString shell = QString("stty raw -echo; cat > '%1'").arg(output);
        if (c.program == "termit")
            arguments << "-e" << QString("sh -c \"%1\"").arg(shell);
        else
            arguments << "-e"
                      << "sh"
                      << "-c" << shell;
        terminalProgram.start(c.program, arguments);
        RunningApplication target;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (target.windowId = windowOf(terminalProgram.processId())) != 0; }, 10000));
        target.processIdentifier = static_cast<qint32>(terminalProgram.processId());
        target.windowInstance = c.instance;
        target.windowClass = c.windowClass;
        runProgram("xdotool", {"windowactivate", "--sync", QString::number(target.windowId)});
        ASSERT_TRUE(QTest::qWaitFor([&] { return windows.isActive(target); }, 5000));
        QTest::qWait(300);

        EXPECT_TRUE(insert("echo Hallo", target, true).pasted);
        ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(output).size() >= 10; }, 3000))
            << readFile(output).toStdString();
        QTest::qWait(500);
        // A literal ^V (22) would have arrived with Control+V, "\r" with a Return.
        EXPECT_EQ(readFile(output), QByteArray("echo Hallo"));
        EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
        EXPECT_EQ(primaryOut(), QByteArray("Auswahl"));
        terminalProgram.terminate();
        terminalProgram.waitForFinished(3000);
    }
}
