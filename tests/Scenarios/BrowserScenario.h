#pragma once

// The browser scenarios' desktop, shared by the tests that run beside others and the one that
// needs the machine to itself.

#include <QProcess>
#include <csignal>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "support/Browsers.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

// A browser on the desktop with the message page in front; its text area holds "Hallo Welt"
// with "Welt" selected and has the keyboard. With `richText` the editor page instead: its
// second paragraph holds "Hallo Welt und danke." with "Welt" selected.
class BrowserScenario : public ScenarioTest {
protected:
    static inline const QString messagePage =
        QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/message.html");
    // A rich-text editor of three paragraphs, "Welt" selected in the second.
    static inline const QString editorPage =
        QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/editor.html");
    static inline const QString reply = QStringLiteral("Hallo Anna, gern – bis Freitag.");

    void startFirefox() {
        browser = &desktop.startClient(QStringLiteral("firefox-esr"),
                                       Browsers::firefoxArguments(profile.path(), page()));
        waitForPage(pageTitle() + QStringLiteral(" — Mozilla Firefox"));
    }

    void startChromium() {
        browser = &desktop.startClient(QStringLiteral("chromium"),
                                       Browsers::chromiumArguments(profile.path(), page()));
        waitForPage(pageTitle() + QStringLiteral(" - Chromium"));
    }

    void waitForPage(const QString& title) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                window = runProgram(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), "^" + title + "$"})
                             .trimmed()
                             .split('\n')
                             .first()
                             .toULongLong();
                return window != 0 && desktop.focusedWindow() == window;
            },
            30000))
            << "the page never came up with the keyboard";
        pid = runProgram(QStringLiteral("xdotool"),
                         {QStringLiteral("getwindowpid"), QString::number(window)})
                  .trimmed()
                  .toLongLong();
        // The page's script puts the caret in the text area; a busy machine may show the area
        // on the bus a while before it tells that the area has the keyboard, and the panel
        // opened meanwhile would find no field.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const Platform::AccessibleRef area = textArea();
                return area && desktop.focusedElement(pid) == area->identity();
            },
            15000))
            << "the text area never showed on the accessibility bus with the keyboard";
    }

    QString page() const {
        const QString base = richText ? editorPage : messagePage;
        return pageOptions.isEmpty() ? base : base + '#' + pageOptions;
    }
    QString pageTitle() const {
        return richText ? QStringLiteral("Antwort an Jana") : QStringLiteral("Nachricht von Jana");
    }

    // The page's text area as a screen reader finds it: browsers give it the role of a
    // one-line entry, as they give the address bar, which holds no "Hallo". The rich-text
    // editor is a section named by its label.
    Platform::AccessibleRef textArea() {
        Platform::AccessibleRef found;
        desktop.walk(pid, [&](const Platform::AccessibleRef& e, int) {
            if (e->isEditable() != true || e->isPassword() != false)
                return true;
            if (richText
                    ? e->role() == QLatin1String("section") && e->name() == QLatin1String("Antwort")
                    : e->role() == QLatin1String("AXTextField") &&
                          e->text().startsWith(QLatin1String("Hallo")))
                found = e;
            return !found;
        });
        return found;
    }

    // The text area's text; of the rich-text editor, the paragraph that holds "Hallo".
    QString areaText() {
        const Platform::AccessibleRef area = textArea();
        if (!area || !richText)
            return area ? area->text() : QString();
        for (const Platform::AccessibleRef& paragraph : area->children())
            if (const QString text = paragraph->text(); text.startsWith(QLatin1String("Hallo")))
                return text;
        return {};
    }

    // "vorher" on the clipboard, Tavrin started with the stand-in tool recording into `record`
    // (and the settings' `extra`), and the panel open by the shortcut.
    void openThePanel(const QTemporaryDir& record, const QByteArray& extra = {}) {
        xclipIn("vorher");
        desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                                   QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
        desktop.writeSettings(extra);
        // Far from the text area, so that a panel by the pointer shows.
        desktop.movePointer(1200, 760);
        desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    }

    // The processes of the browser started here that run its pages.
    QList<qint64> pages() const {
        QList<qint64> found;
        QList<qint64> parents = {pid};
        while (!parents.isEmpty()) {
            const qint64 parent = parents.takeFirst();
            for (const QByteArray& line :
                 runProgram(QStringLiteral("ps"), {"-o", "pid=", "--ppid", QString::number(parent)})
                     .split('\n')) {
                const qint64 child = line.trimmed().toLongLong();
                if (child <= 0)
                    continue;
                parents.append(child);
                const QByteArray command =
                    readFile(QStringLiteral("/proc/%1/cmdline").arg(child));
                // Chromium's renderers; Firefox's content processes for its tabs.
                if (command.contains("--type=renderer") ||
                    (command.contains("-contentproc") && command.contains("tab")))
                    found.append(child);
            }
        }
        return found;
    }

    // What is stopped as the reply goes in: the processes that run the browser's pages, or
    // the browser's own process, the X client of its window.
    enum class Busy { pages, browser };

    // The panel opened (see openThePanel), a short reply asked for, and the panel showing it
    // done.
    void askForTheReply(const QTemporaryDir& record, const QByteArray& extra = {}) {
        openThePanel(record, extra);
        if (HasFatalFailure())
            return;
        desktop.type(QStringLiteral("Antworte kurz"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyText() == reply; }, 15000))
            << "no reply in the panel";
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the reply never ended";
    }

    // The reply asked for, and inserted with `busy` stopped for `stoppedMs`; with `send`,
    // "Nach dem Einfügen senden" is on and the page's chat sends on Return. A browser stopped
    // longer than a paste may take is told as not inserted, and as inserted once it has the
    // reply.
    void insertWhileBusy(Busy busy, int stoppedMs, bool send = false) {
        QTemporaryDir record;
        askForTheReply(record, send ? R"("sendAfterInsert": true)" : "");
        if (HasFatalFailure())
            return;
        const QList<qint64> stopped = busy == Busy::pages ? pages() : QList<qint64>{pid};
        ASSERT_FALSE(stopped.isEmpty());
        for (const qint64 process : stopped)
            ::kill(static_cast<pid_t>(process), SIGSTOP);
        desktop.key(QStringLiteral("ctrl+Return"));
        const QString notPasted =
            QStringLiteral("Nicht eingefügt – der Text liegt in der Zwischenablage");
        const bool told = QTest::qWaitFor([&] { return tavrinShows(notPasted); }, stoppedMs);
        for (const qint64 process : stopped)
            ::kill(static_cast<pid_t>(process), SIGCONT);
        EXPECT_EQ(told, stoppedMs > 6000) << "what the toast said is not so";

        const QString after = richText ? "Hallo " + reply + " und danke." : "Hallo " + reply;
        EXPECT_TRUE(QTest::qWaitFor([&] { return areaText() == after; }, 8000))
            << "the page did not get the reply: " << areaText().toStdString();
        if (send) {
            const QByteArray sent = ("Gesendet: " + after + " - Chromium").toUtf8();
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    return runProgram(QStringLiteral("xdotool"),
                                      {QStringLiteral("getwindowname"), QString::number(window)})
                               .trimmed() == sent;
                },
                5000))
                << "the chat did not send the reply";
        } else {
            EXPECT_TRUE(QTest::qWaitFor([&] { return tavrinShows(QStringLiteral("Eingefügt")); },
                                        toastWithinMs))
                << "no word that the reply went in";
        }
        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
            << "the user's clipboard is lost";
    }

    // The whole road: the shortcut opens the panel beside the text area, the instruction goes
    // to the tool with the selection, the field and the page, Control+Return puts the reply in
    // place of the selection, the clipboard is kept, and "Rückgängig" takes the reply back.
    // With `typedAfter` typed after the reply, "Rückgängig" leaves the text area as it is and
    // says so: the browser's own undo would take the typing back.
    void runTheRoad(const QString& picture, const QString& typedAfter = {}) {
        QTemporaryDir record;
        openThePanel(record);
        if (HasFatalFailure())
            return;
        const quint64 panel = desktop.focusedWindow();
        QTest::qWait(300);
        const ScreenRect shown = windowRect(panel);
        ScenarioDesktop::screenshot(picture + "-panel");

        // Asked only now: a client that asks the browser first can hide what Tavrin's first
        // read would meet.
        std::optional<QRectF> area;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const Platform::AccessibleRef element = textArea();
                area = element ? element->frame() : std::nullopt;
                return area.has_value();
            },
            5000));
        expectBeside(shown, *area);

        desktop.type(QStringLiteral("Antworte kurz, lies die ganze Seite"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return readFile(record.filePath("claude.stdin")).contains("ganze Seite"); },
            15000))
            << "the instruction never reached the tool";
        const QString request = QString::fromUtf8(readFile(record.filePath("claude.stdin")));
        EXPECT_TRUE(request.contains("SELECTED")) << request.toStdString();
        EXPECT_TRUE(request.contains("Welt")) << "the tool did not get the selection";
        EXPECT_TRUE(request.contains("Text field label: Antwort"))
            << "the tool did not get the field:\n"
            << request.toStdString();
        // The page as text: heading, paragraph with its link, the picture by its description,
        // the link below; nothing of what is typed on the page.
        QStringList pageText = {"Frage zum Termin", "Termin am Montag noch passt"};
        if (!richText)
            pageText << "[Bild: Lageplan des Büros]"
                     << "Frühere Nachrichten";
        for (const QString& expected : pageText)
            EXPECT_TRUE(request.contains(expected))
                << expected.toStdString() << " is not in the page text:\n"
                << request.toStdString();
        EXPECT_FALSE(request.contains("geheim123")) << "the password left the page";
        // The editor's words in its paragraphs' lines, as the request's JSON carries them;
        // none of the marks that stand for the paragraphs on the bus.
        if (richText) {
            EXPECT_TRUE(request.contains(
                R"(The field already contains: \"Liebe Jana,\nHallo Welt und danke.\nBis bald\")"))
                << request.toStdString();
        }
        EXPECT_FALSE(request.contains(QChar(0xFFFC)) || request.contains("\\ufffc"))
            << request.toStdString();

        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyText() == reply; }, 15000))
            << "no reply in the panel";
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the reply never ended";
        desktop.key(QStringLiteral("ctrl+Return"));
        const QString after = richText ? "Hallo " + reply + " und danke." : "Hallo " + reply;
        EXPECT_TRUE(QTest::qWaitFor([&] { return areaText() == after; }, 5000))
            << "the reply is not in place of the selection: " << areaText().toStdString();
        ScenarioDesktop::screenshot(picture + "-inserted");
        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
            << "the user's clipboard is lost";

        QString typed;
        if (!typedAfter.isEmpty()) {
            desktop.type(typedAfter);
            typed = QString(after).insert(6 + reply.size(), typedAfter);
            ASSERT_TRUE(QTest::qWaitFor([&] { return areaText() == typed; }, 5000))
                << areaText().toStdString();
        }

        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig"));
            },
            toastWithinMs))
            << "no undo toast";
        if (!typedAfter.isEmpty()) {
            const QString refused =
                QStringLiteral("Rückgängig nicht möglich – Feld unverändert gelassen");
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    bool shown = false;
                    desktop.walk([&](const Platform::AccessibleRef& e, int) {
                        shown = e->name() == refused;
                        return !shown;
                    });
                    return shown;
                },
                5000))
                << "nothing tells that the undo did nothing";
            EXPECT_EQ(areaText().toStdString(), typed.toStdString())
                << "the undo took something back";
            return;
        }
        const QString before = richText ? "Hallo Welt und danke." : "Hallo Welt";
        EXPECT_TRUE(QTest::qWaitFor([&] { return areaText() == before; }, 5000))
            << "the undo did not restore the text area: " << areaText().toStdString();
    }

    // The browser window comes forward again after another one had the keyboard, and the
    // shortcut is pressed at once: the panel stands by the text area and shows the selection,
    // on the first press every time.
    void comeForwardAndPress(int rounds) {
        openOtherWindow();
        if (HasFatalFailure())
            return;
        const std::optional<QRectF> area = textArea()->frame();
        ASSERT_TRUE(area);
        for (int round = 0; round < rounds; ++round) {
            activate(other);
            activate(window);
            if (HasFatalFailure())
                return;
            desktop.key(QStringLiteral("ctrl+shift+space"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 5000))
                << "round " << round << ": the panel never took the keyboard";
            const quint64 panel = desktop.focusedWindow();
            QTest::qWait(200);
            expectBeside(windowRect(panel), *area);
            // The header names the field: the read found it.
            const QString shownTree = desktop.accessibleTree();
            EXPECT_TRUE(shownTree.contains("\"Antwort\""))
                << "round " << round << ": the field was not read";
            EXPECT_TRUE(shownTree.contains("\"Markierter Text Welt\""))
                << "round " << round << ": no selection in the panel\n"
                << shownTree.toStdString();
            desktop.key(QStringLiteral("Escape"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return desktop.focusedPid() != desktop.tavrin.processId(); }, 5000));
        }
    }

    // An xterm the user may go to, as `other`; it has the keyboard when this returns.
    void openOtherWindow() {
        desktop.startClient(QStringLiteral("xterm"),
                            {"-T", "scenario-other", "-geometry", "40x8+900+600"});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                other = runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--name"),
                                    QStringLiteral("^scenario-other$")})
                            .trimmed()
                            .toULongLong();
                return other != 0 && desktop.focusedWindow() == other;
            },
            10000));
    }

    // The window manager brings `target` forward, with the keyboard.
    void activate(quint64 target) {
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QString::number(target)});
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == target; }, 5000));
    }

    bool richText = false;
    // The message page's options ("busy=800", "reply=…"), see the page.
    QString pageOptions;
    QTemporaryDir profile;
    QProcess* browser = nullptr;
    quint64 window = 0;
    qint64 pid = 0;
    quint64 other = 0;
};
