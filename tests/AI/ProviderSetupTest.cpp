#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUrl>

#include "AI/CLIEnvironment.h"
#include "AI/ProviderSetup.h"
#include "AI/ProviderStatusStore.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"
#include "support/StandInTools.h"

using Phase = ProviderSetup::Phase;
using State = ProviderStatusStore::State;

namespace {

const QByteArray signedIn = R"({"loggedIn": true, "email": "a@b.de"})";
constexpr ProviderID kClaudeTool = ProviderID::claudeCLI;

// Running, not merely waiting to be reaped.
bool isAlive(qint64 pid) {
    const QByteArray text = readFile(QString("/proc/%1/stat").arg(pid));
    const qsizetype end = text.lastIndexOf(')');
    return !text.isEmpty() && (end < 0 || text.mid(end + 2, 1) != "Z");
}

struct SetupFixture {
    StandInTools tools;
    QTemporaryDir support;
    QTemporaryDir downloads;
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
                s.claudePath = StandInTools::settings().claudePath;
                s.codexPath = StandInTools::settings().codexPath;
            });
        }
        QObject::connect(&setup, &ProviderSetup::phasesChanged,
                         [this] { seen.push_back(setup.phase(kClaudeTool)); });
    }

    Phase phase(ProviderID provider = kClaudeTool) const { return setup.phase(provider); }
    // The installer runs `script`, or fails to download one when there is none.
    void installer(const QByteArray& script = {}) {
        if (!script.isEmpty())
            writeFile(downloads.filePath("install.sh"), script);
        setup.setInstallerSources(
            {QUrl::fromLocalFile(downloads.filePath("install.sh")).toString(), {}});
    }
    // Starts a sign-in and waits until its login command runs.
    void login(ProviderID provider = kClaudeTool) {
        const QString calls =
            (provider == kClaudeTool ? "claude" : "codex") + QString("-login-calls");
        const int before = tools.lines(calls);
        setup.login(provider, [this] { ++finished; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return tools.lines(calls) == before + 1; }, 10000));
    }
    // A status check outside any sign-in, to its answer.
    void check(ProviderID provider = kClaudeTool) {
        bool checked = false;
        status.checkNow(provider, settings.settings(), [&](State) { checked = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return checked; }, 10000));
    }
    // Lets two seconds pass and waits for the status check that follows, if any.
    void tick(ProviderID provider = kClaudeTool) {
        clock.advance(ProviderSetup::pollInterval);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !status.isChecking(provider); }, 10000));
        QCoreApplication::processEvents();
    }
};

}  // namespace

TEST(ProviderSetupTest, LoginCommandThatEndsAtOnceFailsAfterTheFirstCheck) {
    SetupFixture f;
    EXPECT_EQ(f.phase(), Phase::idle());
    f.tools.write("claude-login-exit");
    f.login();
    EXPECT_EQ(f.phase(), Phase::waitingForLogin());
    QTest::qWait(100);
    EXPECT_EQ(f.finished, 0);
    f.tick();
    EXPECT_EQ(f.phase(), Phase::failed("Die Anmeldung wurde nicht abgeschlossen."));
    EXPECT_EQ(f.finished, 1);
    EXPECT_EQ(f.tools.lines("claude-status-calls"), 1);
}

// The login command sees our HOME: the tool keeps its sign-in below it, where its status command
// (which sees our HOME) looks for it.
TEST(ProviderSetupTest, LoginCommandSeesOurHomeAndItsFirstAddressIsShown) {
    SetupFixture f;
    f.tools.write("claude-login-output",
                  "Opening https://claude.ai/oauth/authorize?code=1&state=x in your browser.\n"
                  "Or visit \"https://example.org/second\"\n");
    f.login();
    EXPECT_EQ(readFile(f.tools.file("claude-login-home")).trimmed(), qgetenv("HOME"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.phase().url.has_value(); }, 10000));
    EXPECT_EQ(f.phase(),
              Phase::waitingForLogin(QUrl("https://claude.ai/oauth/authorize?code=1&state=x")));
    f.setup.cancel(kClaudeTool);
}

// White space of any script ends the address, as a plain space does.
TEST(ProviderSetupTest, SignInAddressEndsAtUnicodeWhiteSpace) {
    for (const char* space : {"\u00A0", "\u3000", "\u2028"}) {
        SetupFixture f;
        f.tools.write(
            "claude-login-output",
            QByteArray("Open https://claude.ai/oauth/authorize?code=1") + space + "and sign in.\n");
        f.login();
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.phase().url.has_value(); }, 10000)) << space;
        EXPECT_EQ(f.phase(),
                  Phase::waitingForLogin(QUrl("https://claude.ai/oauth/authorize?code=1")))
            << space;
        f.setup.cancel(kClaudeTool);
    }
}

TEST(ProviderSetupTest, SignInEndsWithTheToolReady) {
    SetupFixture f;
    f.login();
    f.tick();
    EXPECT_EQ(f.phase(), Phase::waitingForLogin());
    f.tools.write("claude-status", signedIn);
    f.tick();
    EXPECT_EQ(f.phase(), Phase::idle());
    EXPECT_EQ(f.status.state(kClaudeTool), State::ready("a@b.de"));
    EXPECT_EQ(f.finished, 1);
    f.tick();
    EXPECT_EQ(f.tools.lines("claude-status-calls"), 2);
}

TEST(ProviderSetupTest, SignedInToolBecomesTheChoiceOnlyWhenTheChosenOneIsNotReady) {
    for (const bool claudeReady : {true, false}) {
        SetupFixture f;
        if (claudeReady)
            f.tools.write("claude-status", signedIn);
        f.check();

        f.login(ProviderID::codexCLI);
        f.tools.write("codex-status", "Logged in using ChatGPT");
        f.tick(ProviderID::codexCLI);
        EXPECT_EQ(f.phase(ProviderID::codexCLI), Phase::idle());
        EXPECT_EQ(f.settings.settings().provider, claudeReady ? kClaudeTool : ProviderID::codexCLI);
    }
}

TEST(ProviderSetupTest, GivesUpAfter150Checks) {
    SetupFixture f;
    f.login();
    for (int i = 1; i < ProviderSetup::maximumChecks; ++i)
        f.tick();
    EXPECT_EQ(f.phase(), Phase::waitingForLogin());
    f.tick();
    EXPECT_EQ(f.phase(), Phase::failed("Die Anmeldung hat zu lange gedauert."));
    EXPECT_EQ(f.tools.lines("claude-status-calls"), ProviderSetup::maximumChecks);
    EXPECT_EQ(f.finished, 1);
}

// An install started during a sign-in ends its loop; the login command goes with it instead
// of waiting for the browser until the program quits. The failed download is what shows.
TEST(ProviderSetupTest, SignInOvertakenByAnInstallEndsItsCommand) {
    SetupFixture f;
    f.login();
    const qint64 pid = f.tools.number("claude-login-pid");
    ASSERT_TRUE(isAlive(pid));
    f.installer();
    bool installed = false;
    f.setup.install(kClaudeTool, [&] { installed = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return installed; }, 20000));
    f.tick();
    EXPECT_EQ(f.finished, 1);
    EXPECT_TRUE(std::any_of(f.seen.begin(), f.seen.end(), [](const Phase& phase) {
        return phase.message.startsWith(
            "Claude Code konnte nicht installiert werden. Der Download ist fehlgeschlagen: ");
    }));
    // The tool at its typed path, found since, says the message no longer holds.
    EXPECT_EQ(f.phase(), Phase::idle());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !isAlive(pid); }, 5000));
}

TEST(ProviderSetupTest, CancelShowsIdleAndTheLoopEndsQuietly) {
    SetupFixture f;
    f.login();
    f.setup.cancel(kClaudeTool);
    EXPECT_EQ(f.phase(), Phase::idle());
    EXPECT_EQ(f.finished, 1);
    f.tick();
    f.tick();
    EXPECT_EQ(f.tools.lines("claude-status-calls"), 0);
    EXPECT_EQ(f.phase(), Phase::idle());
}

// Cancel and sign in again before the old loop wakes, also while its check is under way:
// the old loop must neither fail nor poll the new sign-in.
TEST(ProviderSetupTest, CancelAndSignInAgainLeavesTheNewSignInAlone) {
    for (const bool duringCheck : {false, true}) {
        SetupFixture f;
        f.tools.write("claude-login-exit");  // the first login command ends at once
        f.login();
        if (duringCheck) {
            f.tools.write("claude-status-hang");
            f.clock.advance(ProviderSetup::pollInterval);
            ASSERT_TRUE(f.status.isChecking(kClaudeTool));
        }
        f.setup.cancel(kClaudeTool);
        f.tools.remove("claude-login-exit");
        f.login();
        EXPECT_EQ(f.finished, 1);
        if (duringCheck) {
            // The old check ends without an answer; the new loop takes its own turn.
            f.tools.remove("claude-status-hang");
            f.clock.advance(ProviderStatusStore::checkTimeLimit);
            QCoreApplication::processEvents();
        } else {
            f.tick();
        }
        EXPECT_EQ(f.phase(), Phase::waitingForLogin());
        f.tools.write("claude-status", signedIn);
        f.tick();
        EXPECT_EQ(f.phase(), Phase::idle());
        EXPECT_EQ(f.finished, 2);
    }
}

TEST(ProviderSetupTest, MissingToolCannotSignIn) {
    SetupFixture f(false);
    if (CLIEnvironment::locate("claude", {}))
        GTEST_SKIP() << "a claude program is installed here";
    f.setup.login(kClaudeTool, [&] { ++f.finished; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.finished == 1; }, 10000));
    EXPECT_EQ(f.phase(),
              Phase::failed("Das Programm wurde nicht gefunden. Bitte zuerst installieren."));
}

TEST(ProviderSetupTest, InstallGoesStraightToSignIn) {
    SetupFixture f(false);
    f.installer(QString("mkdir -p \"$HOME/.local/bin\"\ncp '%1' \"$HOME/.local/bin/claude\"\n")
                    .arg(StandInTools::settings().claudePath)
                    .toUtf8());

    f.setup.install(kClaudeTool, [&] { ++f.finished; });
    EXPECT_EQ(f.phase(), Phase::installing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.clock.pendingTimers() > 0; }, 20000));
    EXPECT_TRUE(QFile::exists(QDir::homePath() + "/.local/bin/claude"));
    EXPECT_NE(f.status.state(kClaudeTool), State::unknown());  // refreshed
    f.clock.advance(ProviderSetup::pauseBeforeLogin);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.tools.lines("claude-login-calls") == 1; }, 10000));
    f.setup.cancel(kClaudeTool);
    QFile::remove(QDir::homePath() + "/.local/bin/claude");

    EXPECT_EQ(f.seen,
              (std::vector<Phase>{Phase::installing(), Phase::waitingForLogin(), Phase::idle()}));
    EXPECT_EQ(f.finished, 1);
}

// A failure message goes once the status shows it no longer holds: a tool found after an
// install that failed, a signed-in tool after a sign-in that was not finished.
TEST(ProviderSetupTest, AFailureGoesOnceTheStatusContradictsIt) {
    if (CLIEnvironment::locate("claude", {}))
        GTEST_SKIP() << "a claude program is installed here";
    const QString placed = QDir::homePath() + "/.local/bin/claude";
    const struct {
        const char* name;
        // Else a sign-in whose command ends at once.
        bool install;
        // What the tool reports afterwards.
        QByteArray status;
    } cases[] = {
        {"installed by hand, signed out", true, R"({"loggedIn": false})"},
        {"installed by hand, signed in", true, signedIn},
        {"signed in from a terminal", false, signedIn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetupFixture f(!c.install);
        if (c.install) {
            f.installer();
            f.setup.install(kClaudeTool, [&] { ++f.finished; });
            ASSERT_TRUE(QTest::qWaitFor([&] { return f.finished == 1; }, 20000));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !f.status.isChecking(kClaudeTool); }, 10000));
            ASSERT_EQ(f.status.state(kClaudeTool), State::notFound());
            QDir().mkpath(QDir::homePath() + "/.local/bin");
            ASSERT_TRUE(QFile::copy(StandInTools::settings().claudePath, placed));
        } else {
            f.tools.write("claude-login-exit");
            f.login();
            f.tick();
        }
        ASSERT_EQ(f.phase().kind, Phase::Kind::failed);

        f.tools.write("claude-status", c.status);
        f.status.refresh(f.settings.settings());
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.phase() == Phase::idle(); }, 10000))
            << f.phase().message.toStdString();
        QFile::remove(placed);
    }
}

// Two installs in a row: the later one signs in, and the earlier one still finishes.
TEST(ProviderSetupTest, InstallDuringThePauseBeforeSignInFinishesTheFirst) {
    SetupFixture f(false);
    f.installer(QString("mkdir -p \"$HOME/.local/bin\"\ncp '%1' \"$HOME/.local/bin/claude\"\n")
                    .arg(StandInTools::settings().claudePath)
                    .toUtf8());
    f.setup.install(kClaudeTool, [&] { ++f.finished; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.clock.pendingTimers() > 0; }, 20000));
    f.setup.install(kClaudeTool, [&] { ++f.finished; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.finished == 1; }, 20000));
    f.clock.advance(ProviderSetup::pauseBeforeLogin);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.tools.lines("claude-login-calls") == 1; }, 10000));
    f.setup.cancel(kClaudeTool);
    QFile::remove(QDir::homePath() + "/.local/bin/claude");
    EXPECT_EQ(f.finished, 2);
}

// check must not count as a sign-in.
TEST(ProviderSetupTest, CheckThatRunsOutOfTimeIsNoSignIn) {
    SetupFixture f;
    f.tools.write("claude-status", signedIn);
    f.check();
    f.tools.write("claude-status-hang");
    f.login();
    f.clock.advance(ProviderSetup::pollInterval);
    ASSERT_TRUE(f.status.isChecking(kClaudeTool));
    f.clock.advance(ProviderStatusStore::checkTimeLimit);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.phase(), Phase::waitingForLogin());
    EXPECT_EQ(f.status.state(kClaudeTool), State::ready("a@b.de"));
    f.setup.cancel(kClaudeTool);
}

// Quitting while a download hangs must neither wait for it nor leave it running.
TEST(ProviderSetupTest, InstallEndsWithTheSetup) {
    auto f = std::make_unique<SetupFixture>(false);
    f->installer(
        "echo $$ > \"$FAKE_TOOL_DIR/installer-pid.new\"\n"
        "mv \"$FAKE_TOOL_DIR/installer-pid.new\" \"$FAKE_TOOL_DIR/installer-pid\"\n"
        "exec sleep 20\n");
    f->setup.install(kClaudeTool);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(f->tools.file("installer-pid")); }, 20000));
    const qint64 pid = f->tools.number("installer-pid");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(isAlive(pid));

    f.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !isAlive(pid); }, 3000));
}

// The application waits for the shared pool before it destroys what it owns, so quitting
// must stop an install even while the setup object still lives.
TEST(ProviderSetupTest, InstallEndsWhenTheApplicationQuits) {
    SetupFixture f(false);
    f.installer(
        "echo $$ > \"$FAKE_TOOL_DIR/installer-pid.new\"\n"
        "mv \"$FAKE_TOOL_DIR/installer-pid.new\" \"$FAKE_TOOL_DIR/installer-pid\"\n"
        "exec sleep 20\n");
    f.setup.install(kClaudeTool);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(f.tools.file("installer-pid")); }, 20000));
    const qint64 pid = f.tools.number("installer-pid");
    ASSERT_GT(pid, 0);

    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(3000));
    // The kill is sent, not yet carried out, when the install returns: the process may take a
    // moment to go.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !isAlive(pid); }, 3000));
}
