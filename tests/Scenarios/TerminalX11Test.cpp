#include <QTemporaryDir>
#include <csignal>

#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

namespace {

// xterm shows no fields to assistive programs: the panel opens beside the pointer. The program
// in the terminal reads its terminal raw, so it would see Control+C, Control+V, Control+Z and
// Return as the bytes 0x03, 0x16, 0x1a and 0x0d; it writes every byte it gets to a file. A
// stock xterm, with no key bindings of its own, pastes the primary selection with Shift+Insert:
// the draft arrives there, and the user's selection is theirs again afterwards.
class TerminalScenario : public ScenarioTest {
protected:
    static inline const QString reply = QStringLiteral("Hallo Anna, gern – bis Freitag.");

    // Tavrin with the settings' `extra`, an xterm with the keyboard and the panel opened over it
    // by the pointer, the reply in it.
    void replyInTheTerminal(const QByteArray& extra = {}) {
        bytes = record.filePath("bytes");
        desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                                   QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
        desktop.writeSettings(extra);
        // Tavrin holds its shortcut before the terminal comes: a press that came earlier would
        // reach the terminal as Control+Space, the byte 0.
        desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        desktop.key(QStringLiteral("Escape"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return desktop.focusedPid() != desktop.tavrin.processId(); }, 5000));
        xterm = &desktop.startClient(
            QStringLiteral("xterm"),
            {"-T", "scenario-terminal", "-geometry", "80x24+80+120", "-e", "sh", "-c",
             "stty raw -echo; exec cat > '" + bytes + "'"});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                terminal = runProgram(QStringLiteral("xdotool"),
                                      {QStringLiteral("search"), QStringLiteral("--name"),
                                       QStringLiteral("^scenario-terminal$")})
                               .trimmed()
                               .toULongLong();
                return terminal != 0 && desktop.focusedWindow() == terminal;
            },
            10000))
            << "the terminal never had the keyboard";
        const ScreenRect shown = windowRect(terminal);
        pointer = QPoint(shown.x + shown.width / 2, shown.y + shown.height / 2);
        desktop.movePointer(pointer.x(), pointer.y());

        desktop.key(QStringLiteral("ctrl+shift+space"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 5000))
            << "the panel never took the keyboard";
        panel = desktop.focusedWindow();
        desktop.type(QStringLiteral("Sag ja"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyText() == reply; }, 10000))
            << "no reply in the panel";
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the reply never ended";
    }

    QTemporaryDir record;
    QString bytes;
    QProcess* xterm = nullptr;
    quint64 terminal = 0;
    quint64 panel = 0;
    QPoint pointer;
};

TEST_F(TerminalScenario,
       InATerminalThePanelOpensByThePointerPastesWithTheTerminalsKeyAndSendsNoInterrupt) {
    replyInTheTerminal();
    if (HasFatalFailure())
        return;
    EXPECT_LT(windowRect(panel).distanceTo(pointer.x(), pointer.y()), 80)
        << "the panel is not by the pointer";
    ScenarioDesktop::screenshot(QStringLiteral("terminal-reply"));

    // Control+Return pastes with the terminal's own paste key.
    primaryIn("ausgewählt");
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == terminal; }, 5000))
        << "the terminal does not have the keyboard again";
    EXPECT_TRUE(QTest::qWaitFor([&] { return readFile(bytes).contains(reply.toUtf8()); }, 5000))
        << "the draft was not pasted into the terminal";

    // What the user types next reaches the program after the paste, and nothing else did.
    desktop.type(QStringLiteral("ok"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(bytes).endsWith("ok"); }, 5000))
        << "the program in the terminal records nothing";
    const QByteArray received = readFile(bytes);
    EXPECT_FALSE(received.contains('\x03')) << "the program got Control+C";
    EXPECT_FALSE(received.contains('\x1a')) << "the program got Control+Z";
    EXPECT_FALSE(received.contains('\x16')) << "the program got Control+V";
    EXPECT_TRUE(QTest::qWaitFor([] { return primaryOut() == "ausgewählt"; }, 3000))
        << "the user's selection is lost";
    EXPECT_EQ(received, reply.toUtf8() + "ok") << "the program got keys meant for the panel";
}

// With "Senden selbst übernehmen" on, a terminal busy for longer than a paste may take: the user
// is told the draft did not go in, and once the terminal takes it, that it did. No Return
// follows: the shell would run the draft as a command.
TEST_F(TerminalScenario, ABusyTerminalIsToldOfItsLatePasteAndGetsNoReturn) {
    replyInTheTerminal(R"("sendAfterInsert": true)");
    if (HasFatalFailure())
        return;
    primaryIn("ausgewählt");
    ::kill(static_cast<pid_t>(xterm->processId()), SIGSTOP);
    desktop.key(QStringLiteral("ctrl+Return"));
    const bool told = QTest::qWaitFor(
        [&] {
            return tavrinShows(
                QStringLiteral("Nicht eingefügt – der Text liegt in der Zwischenablage"));
        },
        8000);
    ::kill(static_cast<pid_t>(xterm->processId()), SIGCONT);
    ASSERT_TRUE(told) << "nothing said the draft did not go in";

    EXPECT_TRUE(QTest::qWaitFor([&] { return readFile(bytes).contains(reply.toUtf8()); }, 5000))
        << "the draft was not pasted into the terminal";
    EXPECT_TRUE(QTest::qWaitFor([&] { return tavrinShows(QStringLiteral("Eingefügt")); }, 5000))
        << "nothing said the draft went in";
    EXPECT_TRUE(QTest::qWaitFor([] { return primaryOut() == "ausgewählt"; }, 3000))
        << "the user's selection is lost";
    QTest::qWait(500);
    EXPECT_EQ(readFile(bytes), reply.toUtf8()) << "the terminal got more than the draft";
}

}  // namespace
