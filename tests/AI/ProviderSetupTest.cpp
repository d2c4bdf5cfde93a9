#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "AI/CLIEnvironment.h"
#include "AI/ProviderSetup.h"
#include "AI/ProviderStatusStore.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"
#include "support/ScopedEnv.h"

using Phase = ProviderSetup::Phase;
using State = ProviderStatusStore::State;

namespace {

const QString fixtures = QStringLiteral(TAVRIN_FIXTURES_DIR "/setup");
const QByteArray signedIn = R"({"loggedIn": true, "email": "a@b.de"})";

// Running, not merely waiting to be reaped.
bool isAlive(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype end = text.lastIndexOf(')');
    return end < 0 || text.mid(end + 2, 1) != "Z";
}

struct SetupFixture {
    QTemporaryDir tools;
    ScopedEnv toolsVariable{"FAKE_TOOL_DIR", tools.path()};
    QTemporaryDir support;
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    Platform::FakeClock clock;
    SettingsStore settings{support.path(), {loginItem, log, clock}};
    ProviderStatusStore status{clock};
    ProviderSetup setup{status, settings, clock};
    std::vector<Phase> seen;
    int finished = 0;

    explicit SetupFixture(bool useStandIns = true) {
        if (useStandIns) {
            settings.update([](AssistantSettings& s) {
                s.claudePath = fixtures + "/claude";
                s.codexPath = fixtures + "/codex";
            });
        }
        QObject::connect(&setup, &ProviderSetup::phasesChanged,
                         [this] { seen.push_back(setup.phase(ProviderID::claudeCLI)); });
    }

    void write(const QString& name, const QByteArray& content = {}) {
        QFile file(tools.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    qint64 number(const QString& name) const {
        QFile file(tools.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }
    int lines(const QString& name) const {
        QFile file(tools.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }

    // Starts a sign-in of Claude and waits until its login command runs.
    void login(ProviderID provider = ProviderID::claudeCLI) {
        const QString calls =
            (provider == ProviderID::claudeCLI ? "claude" : "codex") + QString("-login-calls");
        const int before = lines(calls);
        setup.login(provider, [this] { ++finished; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return lines(calls) == before + 1; }, 10000));
    }
    // Lets two seconds pass and waits for the status check that follows, if any.
    void tick(ProviderID provider = ProviderID::claudeCLI) {
        clock.advance(ProviderSetup::pollInterval);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !status.isChecking(provider); }, 10000));
        QCoreApplication::processEvents();
    }
};

}  // namespace

TEST(ProviderSetupTest, LoginCommandThatEndsAtOnceFailsAfterTheFirstCheck) {
    SetupFixture f;
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::idle());
    f.write("claude-login-exit");
    f.login();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::waitingForLogin());
    QTest::qWait(100);
    EXPECT_EQ(f.finished, 0);
    f.tick();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI),
              Phase::failed("Die Anmeldung wurde nicht abgeschlossen."));
    EXPECT_EQ(f.finished, 1);
    EXPECT_EQ(f.lines("claude-status-calls"), 1);
}

// The tool keeps its sign-in below HOME, where its status command (which sees our HOME)
// looks for it.
TEST(ProviderSetupTest, LoginCommandSeesOurHome) {
    SetupFixture f;
    f.login();
    QFile home(f.tools.filePath("claude-login-home"));
    ASSERT_TRUE(home.open(QIODevice::ReadOnly));
    EXPECT_EQ(home.readAll().trimmed(), qgetenv("HOME"));
    f.setup.cancel(ProviderID::claudeCLI);
}

TEST(ProviderSetupTest, FirstSignInAddressIsShown) {
    SetupFixture f;
    f.write("claude-login-output",
            "Opening https://claude.ai/oauth/authorize?code=1&state=x in your browser.\n"
            "Or visit \"https://example.org/second\"\n");
    f.login();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.setup.phase(ProviderID::claudeCLI).url.has_value(); }, 10000));
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI),
              Phase::waitingForLogin(QUrl("https://claude.ai/oauth/authorize?code=1&state=x")));
    f.setup.cancel(ProviderID::claudeCLI);
}

TEST(ProviderSetupTest, SignInEndsWithTheToolReady) {
    SetupFixture f;
    f.login();
    f.tick();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::waitingForLogin());
    f.write("claude-status", signedIn);
    f.tick();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::idle());
    EXPECT_EQ(f.status.state(ProviderID::claudeCLI), State::ready("a@b.de"));
    EXPECT_EQ(f.finished, 1);
    f.tick();
    EXPECT_EQ(f.lines("claude-status-calls"), 2);
}

TEST(ProviderSetupTest, SignedInToolBecomesTheChoiceOnlyWhenTheChosenOneIsNotReady) {
    for (const bool claudeReady : {true, false}) {
        SetupFixture f;
        if (claudeReady)
            f.write("claude-status", signedIn);
        bool checked = false;
        f.status.checkNow(ProviderID::claudeCLI, f.settings.settings(),
                          [&](State) { checked = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return checked; }, 10000));

        f.login(ProviderID::codexCLI);
        f.write("codex-status", "Logged in using ChatGPT");
        f.tick(ProviderID::codexCLI);
        EXPECT_EQ(f.setup.phase(ProviderID::codexCLI), Phase::idle());
        EXPECT_EQ(f.settings.settings().provider,
                  claudeReady ? ProviderID::claudeCLI : ProviderID::codexCLI);
    }
}

TEST(ProviderSetupTest, GivesUpAfter150Checks) {
    SetupFixture f;
    f.login();
    for (int i = 1; i < ProviderSetup::maximumChecks; ++i)
        f.tick();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::waitingForLogin());
    f.tick();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI),
              Phase::failed("Die Anmeldung hat zu lange gedauert."));
    EXPECT_EQ(f.lines("claude-status-calls"), ProviderSetup::maximumChecks);
    EXPECT_EQ(f.finished, 1);
}

// An install started during a sign-in ends its loop; the login command goes with it instead
// of waiting for the browser until the program quits.
TEST(ProviderSetupTest, SignInOvertakenByAnInstallEndsItsCommand) {
    SetupFixture f;
    f.login();
    const qint64 pid = f.number("claude-login-pid");
    ASSERT_TRUE(isAlive(pid));
    QTemporaryDir downloads;
    f.setup.setInstallerSources(
        {QUrl::fromLocalFile(downloads.filePath("missing.sh")).toString(), {}});
    bool installed = false;
    f.setup.install(ProviderID::claudeCLI, [&] { installed = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return installed; }, 20000));
    f.tick();
    EXPECT_EQ(f.finished, 1);
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI).kind, Phase::Kind::failed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !isAlive(pid); }, 5000));
}

TEST(ProviderSetupTest, CancelShowsIdleAndTheLoopEndsQuietly) {
    SetupFixture f;
    f.login();
    f.setup.cancel(ProviderID::claudeCLI);
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::idle());
    EXPECT_EQ(f.finished, 1);
    f.tick();
    f.tick();
    EXPECT_EQ(f.lines("claude-status-calls"), 0);
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::idle());
}

// Cancel and sign in again before the old loop wakes, also while its check is under way:
// the old loop must neither fail nor poll the new sign-in.
TEST(ProviderSetupTest, CancelAndSignInAgainLeavesTheNewSignInAlone) {
    for (const bool duringCheck : {false, true}) {
        SetupFixture f;
        f.write("claude-login-exit");  // the first login command ends at once
        f.login();
        if (duringCheck) {
            f.write("claude-status-hang");
            f.clock.advance(ProviderSetup::pollInterval);
            ASSERT_TRUE(f.status.isChecking(ProviderID::claudeCLI));
        }
        f.setup.cancel(ProviderID::claudeCLI);
        QFile::remove(f.tools.filePath("claude-login-exit"));
        f.login();
        EXPECT_EQ(f.finished, 1);
        if (duringCheck) {
            // The old check ends without an answer; the new loop takes its own turn.
            QFile::remove(f.tools.filePath("claude-status-hang"));
            f.clock.advance(ProviderStatusStore::checkTimeLimit);
            QCoreApplication::processEvents();
        } else {
            f.tick();
        }
        EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::waitingForLogin());
        f.write("claude-status", signedIn);
        f.tick();
        EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::idle());
        EXPECT_EQ(f.finished, 2);
    }
}

TEST(ProviderSetupTest, MissingToolCannotSignIn) {
    SetupFixture f(false);
    if (CLIEnvironment::locate("claude", {}))
        GTEST_SKIP() << "a claude program is installed here";
    f.setup.login(ProviderID::claudeCLI, [&] { ++f.finished; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.finished == 1; }, 10000));
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI),
              Phase::failed("Das Programm wurde nicht gefunden. Bitte zuerst installieren."));
}

TEST(ProviderSetupTest, InstallGoesStraightToSignIn) {
    SetupFixture f(false);
    QTemporaryDir downloads;
    QFile script(downloads.filePath("install.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        QString("mkdir -p \"$HOME/.local/bin\"\ncp '%1/claude' \"$HOME/.local/bin/claude\"\n")
            .arg(fixtures)
            .toUtf8());
    script.close();
    f.setup.setInstallerSources({QUrl::fromLocalFile(script.fileName()).toString(), {}});

    f.setup.install(ProviderID::claudeCLI, [&] { ++f.finished; });
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::installing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.clock.pendingTimers() > 0; }, 20000));
    EXPECT_TRUE(QFile::exists(QDir::homePath() + "/.local/bin/claude"));
    EXPECT_NE(f.status.state(ProviderID::claudeCLI), State::unknown());  // refreshed
    f.clock.advance(ProviderSetup::pauseBeforeLogin);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.lines("claude-login-calls") == 1; }, 10000));
    f.setup.cancel(ProviderID::claudeCLI);
    QFile::remove(QDir::homePath() + "/.local/bin/claude");

    EXPECT_EQ(f.seen,
              (std::vector<Phase>{Phase::installing(), Phase::waitingForLogin(), Phase::idle()}));
    EXPECT_EQ(f.finished, 1);
}

TEST(ProviderSetupTest, FailedInstallShowsTheMessage) {
    SetupFixture f(false);
    QTemporaryDir downloads;
    f.setup.setInstallerSources(
        {QUrl::fromLocalFile(downloads.filePath("missing.sh")).toString(), {}});
    f.setup.install(ProviderID::claudeCLI, [&] { ++f.finished; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.finished == 1; }, 20000));
    const Phase phase = f.setup.phase(ProviderID::claudeCLI);
    EXPECT_EQ(phase.kind, Phase::Kind::failed);
    EXPECT_TRUE(phase.message.startsWith("Claude Code konnte nicht installiert werden. curl: (37)"))
        << phase.message.toStdString();
}

// "Neu anmelden" on a tool shown as ready whose status command then hangs: the given-up
// check must not count as a sign-in.
TEST(ProviderSetupTest, CheckThatRunsOutOfTimeIsNoSignIn) {
    SetupFixture f;
    f.write("claude-status", signedIn);
    bool checked = false;
    f.status.checkNow(ProviderID::claudeCLI, f.settings.settings(), [&](State) { checked = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked; }, 10000));
    f.write("claude-status-hang");
    f.login();
    f.clock.advance(ProviderSetup::pollInterval);
    ASSERT_TRUE(f.status.isChecking(ProviderID::claudeCLI));
    f.clock.advance(ProviderStatusStore::checkTimeLimit);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.setup.phase(ProviderID::claudeCLI), Phase::waitingForLogin());
    EXPECT_EQ(f.status.state(ProviderID::claudeCLI), State::ready("a@b.de"));
    f.setup.cancel(ProviderID::claudeCLI);
}

// Quitting while a download hangs must neither wait for it nor leave it running.
TEST(ProviderSetupTest, InstallEndsWithTheSetup) {
    auto f = std::make_unique<SetupFixture>(false);
    QTemporaryDir downloads;
    QFile script(downloads.filePath("install.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        "echo $$ > \"$FAKE_TOOL_DIR/installer-pid.new\"\n"
        "mv \"$FAKE_TOOL_DIR/installer-pid.new\" \"$FAKE_TOOL_DIR/installer-pid\"\n"
        "exec sleep 20\n");
    script.close();
    f->setup.setInstallerSources({QUrl::fromLocalFile(script.fileName()).toString(), {}});
    f->setup.install(ProviderID::claudeCLI);
    const QString pidFile = f->tools.filePath("installer-pid");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(pidFile); }, 20000));
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const qint64 pid = file.readAll().trimmed().toLongLong();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(isAlive(pid));

    f.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !isAlive(pid); }, 3000));
}
