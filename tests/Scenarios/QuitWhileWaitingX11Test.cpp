#include <csignal>

#include "FieldScenario.h"

namespace {

// Tavrin ends while the reply it pasted has not reached its busy application yet: right after
// the paste key, or once it waits for the application. Nobody offers the reply once Tavrin has
// gone, and a clipboard history that keeps no clipboard a program hands it (Parcellite, which
// asks twice a second; Diodon, which asks at once and keeps what it got a moment later) puts
// its own last copy back as the clipboard: that copy must be the user's clipboard, never the
// reply.
TEST_F(FieldScenario, EndedWhileTheReplyWaitsTavrinLeavesTheUsersClipboardToTheHistory) {
    const struct {
        const char* name;
        QString history;
        QStringList arguments;
        int endsAfterMs;
    } cases[] = {{"Parcellite, the paste key just out", "parcellite", {"-n"}, 1000},
                 {"Parcellite, the reply waiting", "parcellite", {"-n"}, 7000},
                 {"Diodon, the paste key just out", "diodon", {}, 1000},
                 {"Diodon, the reply waiting", "diodon", {}, 7000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepareDiodon();
        QProcess& history = desktop.startClient(c.history, c.arguments);
        const qint64 application = askInAGtkEntry();
        if (HasFatalFailure())
            return;
        ::kill(static_cast<pid_t>(application), SIGSTOP);
        desktop.key(QStringLiteral("ctrl+Return"));
        QTest::qWait(c.endsAfterMs);
        ::kill(static_cast<pid_t>(desktop.tavrin.processId()), SIGTERM);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return desktop.tavrin.state() == QProcess::NotRunning; }, 10000));
        ::kill(static_cast<pid_t>(application), SIGCONT);

        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
            << "the user's clipboard is lost: " << xclipOut().toStdString();
        QTest::qWait(1000);
        EXPECT_EQ(xclipOut(), QByteArray("vorher"));
        field->kill();
        field->waitForFinished(3000);
        history.kill();
        history.waitForFinished(3000);
    }
}

}  // namespace
