#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

// A field in another program, a question about its selection, and the reply inserted there.
class FieldScenario : public ScenarioTest {
protected:
    // Starts the application with the field (it prints "window <id>" once shown, its field
    // has the keyboard and "Welt" selected), then Tavrin; the shortcut opens the panel (its
    // place and the field's window are kept for the test), "Mach daraus eine Frage" goes to
    // the tool with the selection, and the reply streams into the panel.
    void askAboutTheSelection(const QString& program, const QStringList& arguments,
                              const QString& picture, const QString& selected = "Welt",
                              const QByteArray& settings = {}) {
        field = &desktop.startClient(program, arguments);
        ASSERT_TRUE(QTest::qWaitFor([&] { return field->canReadLine(); }, 10000));
        const quint64 window = field->readLine().trimmed().mid(7).toULongLong();
        askInWindow(window, picture, selected, settings);
    }

    // The same for a window already shown.
    void askInWindow(quint64 window, const QString& picture, const QString& selected = "Welt",
                     const QByteArray& settings = {}) {
        useTheStandInTool(settings);
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000))
            << "the field's window never had the keyboard";
        askAbout(window, picture, selected);
    }

    // The same once the field's window (`window`) has the keyboard and the selection.
    void askAbout(quint64 window, const QString& picture, const QString& selected = "Welt") {
        // The pointer far from the field, so that a panel by the pointer shows.
        desktop.movePointer(150, 720);

        if (desktop.tavrin.state() == QProcess::NotRunning)
            desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        const quint64 panel = desktop.focusedWindow();
        QTest::qWait(500);
        fieldWindow = windowRect(window);
        shown = windowRect(panel);
        ScenarioDesktop::screenshot(picture + "-panel");

        desktop.type(QStringLiteral("Mach daraus eine Frage"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return readFile(record.filePath("claude.stdin")).contains("eine Frage"); },
            10000))
            << "the instruction never reached the tool";
        const QByteArray request = readFile(record.filePath("claude.stdin"));
        // The selection is quoted for the tool as what the instruction is about.
        EXPECT_TRUE(request.contains("SELECTED")) << request.toStdString();
        EXPECT_TRUE(request.contains(selected.toUtf8())) << "the tool did not get the selection";
        // The reply's first words are in the panel while the rest still comes.
        QString reply;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                reply = desktop.replyText();
                return !reply.isEmpty();
            },
            10000))
            << "no reply in the panel";
        EXPECT_EQ(reply, QStringLiteral("Hallo Anna,")) << "the reply did not stream";
        ScenarioDesktop::screenshot(picture + "-streaming");
        writeFile(record.filePath("claude.resumed"), "1");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.replyText() == QStringLiteral("Hallo Anna, gern – bis Freitag.");
            },
            10000))
            << "the reply never came whole";
        // The whole text shows a moment before the reply's end.
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the reply never ended";
        EXPECT_EQ(desktop.focusedPid(), desktop.tavrin.processId())
            << "the panel stays open with the reply";
    }

    void useTheStandInTool(const QByteArray& settings = {}) {
        desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                                   QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
        desktop.environment.insert("TAVRIN_FAKE_DELAY", "0.6");
        // The tool holds the rest of its reply after the first words until the test has seen
        // them in the panel: a busy machine may take longer to show them than the tool to
        // write the rest. Later runs of the tool go straight through.
        desktop.environment.insert("TAVRIN_FAKE_PAUSE", "5");
        desktop.writeSettings(settings);
    }

    // Clicks "Rückgängig" on the toast and waits for the field of `application` to hold
    // `expected` again.
    void undoTo(qint64 application, const QString& expected) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig"));
            },
            toastWithinMs))
            << "no undo toast";
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return desktop.fieldText(application) == expected; }, 5000))
            << "the undo did not restore the field: "
            << desktop.fieldText(application).value_or("(no field)").toStdString();
    }

    // Waits until a visible window that `xdotool search` finds with `search` has the
    // keyboard, and gives it; 0 when none came in `timeoutMs`.
    quint64 focusedWindowMatching(const QStringList& search, int timeoutMs) {
        quint64 window = 0;
        (void)QTest::qWaitFor(
            [&] {
                const quint64 focused = desktop.focusedWindow();
                const QList<QByteArray> found =
                    runProgram(
                        QStringLiteral("xdotool"),
                        QStringList{QStringLiteral("search"), QStringLiteral("--onlyvisible")} +
                            search)
                        .trimmed()
                        .split('\n');
                for (const QByteArray& id : found)
                    if (focused != 0 && id.toULongLong() == focused)
                        window = focused;
                return window != 0;
            },
            timeoutMs);
        return window;
    }

    // The text of the GTK window's first entry that holds any: the window also has an empty
    // one.
    // With "vorher" on the clipboard, asks about "Beispiel" selected in a GTK 3 entry; the
    // entry's process, 0 after a fatal failure.
    qint64 askInAGtkEntry() {
        xclipIn("vorher");
        askAboutTheSelection(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {},
                             QStringLiteral("gtk-entry"), QStringLiteral("Beispiel"));
        return ::testing::Test::HasFatalFailure() ? 0 : field->processId();
    }
    // Whether the entry comes to hold the reply in place of "Beispiel" within `ms`.
    bool entryTakesTheReply(qint64 application, int ms) {
        return QTest::qWaitFor(
            [&] {
                return entryText(application) ==
                       QStringLiteral("Anna Hallo Anna, gern – bis Freitag.");
            },
            ms);
    }
    QString entryText(qint64 application) {
        QString text;
        desktop.walk(application, [&](const Platform::AccessibleRef& e, int) {
            if (e->isEditable() == true && e->isPassword() == false)
                text = e->text();
            return text.isEmpty();
        });
        return text;
    }
    // The texts of every field of `application` that is no password entry, sorted.
    QStringList fieldTexts(qint64 application) {
        QStringList texts;
        desktop.walk(application, [&](const Platform::AccessibleRef& e, int) {
            if (e->isEditable() == true && e->isPassword() == false)
                texts << e->text();
            return true;
        });
        texts.sort();
        return texts;
    }
    // What is selected in the first field of `application`; none without a field.
    std::optional<QString> selectionIn(qint64 application) {
        std::optional<QString> selection;
        desktop.walk(application, [&](const Platform::AccessibleRef& e, int) {
            if (e->isEditable() == true && e->isPassword() == false)
                selection = e->selectedText();
            return !selection;
        });
        return selection;
    }
    // Whether the toast comes to say that "Rückgängig" left the field alone.
    bool tellsUndoRefused() {
        return QTest::qWaitFor([&] { return tavrinShows(undoRefused); }, 5000);
    }
    void clickUndo() {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig"));
            },
            toastWithinMs))
            << "no undo toast";
    }

    const QString undoRefused =
        QStringLiteral("Rückgängig nicht möglich – Feld unverändert gelassen");
    QTemporaryDir record;
    QProcess* field = nullptr;
    ScreenRect fieldWindow;
    ScreenRect shown;
};
