#include <unistd.h>

#include <QTemporaryDir>
#include <cstdio>
#include <set>

#include "support/Files.h"
#include "support/ProcessGroups.h"
#include "support/ScenarioDesktop.h"

namespace {

// After the command's closing parenthesis in /proc/PID/stat: state, parent, group.
QList<QByteArray> statusOf(qint64 pid) {
    const QByteArray line = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return line.mid(line.lastIndexOf(')') + 2).split(' ');
}

qint64 parentOf(qint64 pid) {
    const QList<QByteArray> fields = statusOf(pid);
    return fields.size() > 1 ? fields[1].toLongLong() : 0;
}

// The process groups of everything `pid` started, its children's and theirs, but its own.
std::set<qint64> groupsBelow(qint64 pid) {
    std::set<qint64> below{pid};
    std::set<qint64> groups;
    bool grew = true;
    while (grew) {
        grew = false;
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const qint64 each = entry.toLongLong();
            const QList<QByteArray> fields = each > 0 ? statusOf(each) : QList<QByteArray>();
            if (fields.size() > 2 && !below.contains(each) &&
                below.contains(fields[1].toLongLong())) {
                below.insert(each);
                groups.insert(fields[2].toLongLong());
                grew = true;
            }
        }
    }
    groups.erase(statusOf(pid).value(2).toLongLong());
    return groups;
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

// A logout or a service stop (SIGTERM), Control+C in the terminal Tavrin was started from
// (SIGINT) or that terminal closed (SIGHUP) while the AI tool works on an answer with the
// window's picture: Tavrin ends as "Beenden" ends it, and so does everything it started; the
// picture it wrote for the tool is gone. A second signal while it quits changes nothing.
TEST_F(ScenarioTest, ASignalToEndEndsTavrinAsQuittingDoes) {
    const struct {
        const char* name;
        int signal;
    } cases[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}};
    QProcess& field = desktop.startClient(QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.canReadLine(); }, 10000));
    const quint64 window = field.readLine().trimmed().mid(7).toULongLong();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000));
        QTemporaryDir record;
        QTemporaryDir temporary;
        desktop.environment.insert("TMPDIR", temporary.path());
        desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("codex"));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                                   QStringLiteral(TAVRIN_FIXTURES_DIR "/codex/answer.jsonl"));
        desktop.environment.insert("TAVRIN_FAKE_HANG", "before");
        desktop.writeSettings(R"("provider": "codexCLI", "includeScreenshot": true)");
        desktop.startTavrin(QProcess::ForwardedOutputChannel);
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        QTest::qWait(300);
        desktop.type(QStringLiteral("Sag ja"));
        desktop.key(QStringLiteral("Return"));
        // The status check runs the same fake and hangs as well; the records are the
        // request's once they name its arguments.
        qint64 tool = 0;
        QString picture;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                tool = readFile(record.filePath("codex.pid")).trimmed().toLongLong();
                picture = QString::fromLocal8Bit(
                    readFile(record.filePath("codex.images")).split('\n').first());
                const qint64 grandchild =
                    readFile(record.filePath("codex.grandchild-pid")).trimmed().toLongLong();
                return readFile(record.filePath("codex.argv"))
                           .startsWith(QByteArray("exec\0", 5)) &&
                       processAlive(tool) && parentOf(grandchild) == tool &&
                       QFileInfo(picture).path() == temporary.path() && QFile::exists(picture);
            },
            10000))
            << "the tool never started with the window's picture";
        const std::set<qint64> groups = groupsBelow(desktop.tavrin.processId());
        ASSERT_TRUE(groups.contains(tool));

        ::kill(static_cast<pid_t>(desktop.tavrin.processId()), c.signal);
        QTest::qWait(20);
        if (desktop.tavrin.state() == QProcess::Running)
            ::kill(static_cast<pid_t>(desktop.tavrin.processId()), c.signal);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return desktop.tavrin.state() == QProcess::NotRunning; }, 10000))
            << "Tavrin did not quit";
        EXPECT_EQ(desktop.tavrin.exitStatus(), QProcess::NormalExit) << "the signal killed Tavrin";
        EXPECT_EQ(desktop.tavrin.exitCode(), 0);
        const QByteArray errors = desktop.tavrin.readAllStandardError();
        std::fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
        EXPECT_FALSE(errors.contains("QProcess: Destroyed while process")) << errors.constData();
        for (const qint64 group : groups) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return liveMembers(group) == 0; }, 3000))
                << "the process group " << group << " outlived Tavrin";
            if (liveMembers(group) > 0)
                ::kill(-static_cast<pid_t>(group), SIGKILL);
        }
        EXPECT_FALSE(QFile::exists(picture)) << "the picture for the tool is left behind";
        EXPECT_EQ(QDir(temporary.path()).entryList(QDir::Files).join(", ").toStdString(), "");
    }
}

}  // namespace
