#include <QTemporaryDir>

#include "support/Browsers.h"
#include "support/Files.h"
#include "support/ScenarioDesktop.h"

namespace {

const QString page = QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/message.html");
const QString reply = QStringLiteral("Hallo Anna, gern – bis Freitag.");

// A browser on the desktop with the message page in front; its text area holds "Hallo Welt"
// with "Welt" selected and has the keyboard.
class BrowserScenario : public ScenarioTest {
protected:
    void startFirefox() {
        browser = &desktop.startClient(QStringLiteral("firefox-esr"),
                                       Browsers::firefoxArguments(profile.path(), page));
        waitForPage(QStringLiteral("Nachricht von Jana — Mozilla Firefox"));
    }

    void startChromium() {
        browser = &desktop.startClient(QStringLiteral("chromium"),
                                       Browsers::chromiumArguments(profile.path(), page));
        waitForPage(QStringLiteral("Nachricht von Jana - Chromium"));
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
        // The page's script has put the caret in the text area once it shows on the bus.
        ASSERT_TRUE(QTest::qWaitFor([&] { return textArea() != nullptr; }, 15000))
            << "the text area never showed on the accessibility bus";
    }

    // The page's text area as a screen reader finds it: browsers give it the role of a
    // one-line entry, as they give the address bar, which holds no "Hallo".
    Platform::AccessibleRef textArea() {
        Platform::AccessibleRef found;
        desktop.walk(pid, [&](const Platform::AccessibleRef& e, int) {
            if (e->role() == QLatin1String("AXTextField") && e->isEditable() == true &&
                !e->isPassword() && e->text().startsWith(QLatin1String("Hallo")))
                found = e;
            return !found;
        });
        return found;
    }

    QString areaText() {
        const Platform::AccessibleRef area = textArea();
        return area ? area->text() : QString();
    }

    // The whole road: the shortcut opens the panel beside the text area, the instruction goes
    // to the tool with the selection, the field and the page, Control+Return puts the reply in
    // place of the selection, the clipboard is kept, and "Rückgängig" takes the reply back.
    void runTheRoad(const QString& picture) {
        QTemporaryDir record;
        xclipIn("vorher");
        desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                                   QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
        desktop.writeSettings();
        // Far from the text area, so that a panel by the pointer shows.
        desktop.movePointer(1200, 760);
        desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
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
        for (const char* expected : {"Frage zum Termin", "Termin am Montag noch passt",
                                     "[Bild: Lageplan des Büros]", "Frühere Nachrichten"})
            EXPECT_TRUE(request.contains(QString::fromUtf8(expected)))
                << expected << " is not in the page text:\n"
                << request.toStdString();
        EXPECT_FALSE(request.contains("geheim123")) << "the password left the page";

        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyText() == reply; }, 15000))
            << "no reply in the panel";
        desktop.key(QStringLiteral("ctrl+Return"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return areaText() == "Hallo " + reply; }, 5000))
            << "the reply is not in place of the selection: " << areaText().toStdString();
        ScenarioDesktop::screenshot(picture + "-inserted");
        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
            << "the user's clipboard is lost";

        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig"));
            },
            3000))
            << "no undo toast";
        EXPECT_TRUE(QTest::qWaitFor([&] { return areaText() == "Hallo Welt"; }, 5000))
            << "the undo did not restore the text area: " << areaText().toStdString();
    }

    // The browser window comes forward again after another one had the keyboard, and the
    // shortcut is pressed at once: the panel stands by the text area and shows the selection,
    // on the first press every time.
    void comeForwardAndPress(int rounds) {
        desktop.startClient(QStringLiteral("xterm"),
                            {"-T", "scenario-other", "-geometry", "40x8+900+600"});
        quint64 other = 0;
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
        const std::optional<QRectF> area = textArea()->frame();
        ASSERT_TRUE(area);
        for (int round = 0; round < rounds; ++round) {
            runProgram(QStringLiteral("xdotool"),
                       {QStringLiteral("windowactivate"), QString::number(other)});
            ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == other; }, 5000));
            runProgram(QStringLiteral("xdotool"),
                       {QStringLiteral("windowactivate"), QString::number(window)});
            ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000));
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

    QTemporaryDir profile;
    QProcess* browser = nullptr;
    quint64 window = 0;
    qint64 pid = 0;
};

TEST_F(BrowserScenario, InFirefoxTheRoadRunsBesideTheTextArea) {
    startFirefox();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("firefox"));
    if (HasFatalFailure())
        return;
    comeForwardAndPress(3);
}

TEST_F(BrowserScenario, InChromiumTheRoadRunsBesideTheTextArea) {
    startChromium();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("chromium"));
    if (HasFatalFailure())
        return;
    comeForwardAndPress(3);
}

}  // namespace
