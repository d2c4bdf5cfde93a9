#include <QTemporaryDir>
#include <cstdio>

#include "support/Files.h"
#include "support/ScenarioDesktop.h"

namespace {

qint64 parentOf(qint64 pid) {
    const QByteArray line = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() : 0;
}

// The user quits from the tray icon's menu while the AI tool still works on an answer: the
// tool and whatever it started end with Tavrin, and before its process object goes (Qt warns
// about a process object destroyed while its process runs).
TEST_F(ScenarioTest, QuittingFromTheTrayWhileAToolRunsLeavesNoProcessBehind) {
    QTemporaryDir record;
    desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
    // The tool never answers and keeps a grandchild of its own.
    desktop.environment.insert("TAVRIN_FAKE_HANG", "before");
    desktop.writeSettings();
    desktop.startTavrin(QProcess::ForwardedOutputChannel);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.trayIconCentre().has_value(); }, 10000))
        << "the tray never showed Tavrin's icon";
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    QTest::qWait(300);
    desktop.type(QStringLiteral("Sag ja"));
    desktop.key(QStringLiteral("Return"));
    // The status checks run the same fake and hang as well; the records are the request's
    // once they name its arguments and a grandchild of the process they name.
    qint64 tool = 0;
    qint64 grandchild = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            tool = readFile(record.filePath("claude.pid")).trimmed().toLongLong();
            grandchild = readFile(record.filePath("claude.grandchild-pid")).trimmed().toLongLong();
            return readFile(record.filePath("claude.argv")).startsWith(QByteArray("-p\0", 3)) &&
                   processAlive(tool) && processAlive(grandchild) &&
                   parentOf(grandchild) == tool;
        },
        10000))
        << "the tool never started";

    // The tray's menu, by the right button on the icon; "Beenden" is its last entry.
    const QPoint icon = *desktop.trayIconCentre();
    desktop.movePointer(icon.x(), icon.y());
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    QTest::qWait(500);
    ScenarioDesktop::screenshot(QStringLiteral("tray-menu"));
    desktop.key(QStringLiteral("Up"));
    desktop.key(QStringLiteral("Return"));

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return desktop.tavrin.state() == QProcess::NotRunning; }, 10000))
        << "Tavrin did not quit";
    EXPECT_EQ(desktop.tavrin.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desktop.tavrin.exitCode(), 0);
    const QByteArray errors = desktop.tavrin.readAllStandardError();
    std::fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
    EXPECT_FALSE(errors.contains("QProcess: Destroyed while process")) << errors.constData();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processAlive(tool); }, 3000))
        << "the tool " << tool << " outlived Tavrin";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processAlive(grandchild); }, 3000))
        << "the tool's own child " << grandchild << " outlived Tavrin";
    for (const qint64 pid : {tool, grandchild})
        if (processAlive(pid))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
}

}  // namespace
