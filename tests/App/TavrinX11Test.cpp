#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <thread>

#include "Platform/AppPaths.h"
#include "Platform/linux/XcbConnection.h"
#include "Voice/SpeechSample.h"
#include "support/Programs.h"
#include "support/SoundServer.h"

namespace {

// The real program on a desktop with a window manager and the accessibility bus, in a home of
// its own, with a shortcut no one else holds (openbox keeps Alt+Space for its window menu).
class TavrinX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(startWindowManager(windowManager));
        turnOnAccessibility();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("XDG_DATA_HOME", home.path() + "/data");
        const QString defaults =
            home.path() + "/config/" + Platform::AppPaths::applicationId() + "/defaults.conf";
        QDir().mkpath(QFileInfo(defaults).path());
        {
            QSettings settings(defaults, QSettings::IniFormat);
            // Control+Shift+Space in the stored form: Space is 49, Control 0x1000, Shift 0x200.
            settings.setValue(QStringLiteral("GlobalShortcuts_invokeAssistant"),
                              QStringLiteral(R"({"carbonKeyCode":49,"carbonModifiers":4608})"));
        }

        tavrinEnvironment = environment;
        startFieldWindow(QStringLiteral(TAVRIN_FIELD_WINDOW), {QStringLiteral("fields")});
    }

    // The other application, with the keyboard in its first field.
    void startFieldWindow(const QString& program, const QStringList& arguments) {
        if (fieldWindow.state() != QProcess::NotRunning) {
            fieldWindow.terminate();
            fieldWindow.waitForFinished(5000);
        }
        QProcessEnvironment fieldEnvironment = tavrinEnvironment;
        fieldEnvironment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        fieldWindow.setProcessEnvironment(fieldEnvironment);
        fieldWindow.start(program, arguments);
        ASSERT_TRUE(QTest::qWaitFor([&] { return fieldWindow.canReadLine(); }, 10000))
            << fieldWindow.readAllStandardError().toStdString();
        const QByteArray first = fieldWindow.readLine().trimmed();
        ASSERT_TRUE(first.startsWith("window "));
        fieldWindowId = first.mid(7).toUInt();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return connection->focusedTopLevel() == fieldWindowId; }, 5000));
    }

    // The whole road into the field that has the keyboard: the shortcut, a typed
    // instruction, the tool's draft, Control+Return pastes it, and the user's clipboard
    // survives. Returns the undo toast's frame; screenshots named after `name`.
    std::optional<ScreenRect> pasteADraft(const QString& name) {
        // An empty field, so that the paste is all it holds.
        key(QStringLiteral("ctrl+a"));
        key(QStringLiteral("BackSpace"));
        xclipIn("vorher");
        tavrinEnvironment.insert(
            "TAVRIN_FAKE_REPLAY",
            QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/draft-hallo-welt.jsonl"));
        startTavrin(QByteArray(R"({"onboardingCompleted": true, "includeScreenshot": false, )"
                               R"("claudePath": ")" TAVRIN_FIXTURES_DIR R"(/bin/claude"})"));
        if (!openPanel()) {
            ADD_FAILURE() << "the panel never took the keyboard";
            return std::nullopt;
        }
        QTest::qWait(300);
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                    QStringLiteral("Schreib Hallo")});
        shot(name, "1-typed");
        key(QStringLiteral("Return"));
        QTest::qWait(2500);
        shot(name, "2-draft");

        key(QStringLiteral("ctrl+Return"));
        if (!QTest::qWaitFor([&] { return focusedWindow() == fieldWindowId; }, 5000)) {
            ADD_FAILURE() << "the field does not have the keyboard again";
            return std::nullopt;
        }
        // The paste and the clipboard put back take well under two seconds.
        QTest::qWait(2000);
        shot(name, "3-pasted");
        EXPECT_EQ(xclipOut(), "vorher") << "the user's clipboard is lost";
        return toastFrame();
    }
    // The undo toast: Tavrin's small window below the field; none when it shows none.
    std::optional<ScreenRect> toastFrame() {
        const QList<QByteArray> windows =
            runProgram(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--pid"), QString::number(tavrin.processId())})
                .split('\n');
        std::optional<ScreenRect> toast;
        for (const QByteArray& id : windows) {
            if (id.trimmed().isEmpty())
                continue;
            const ScreenRect g = windowRect(id.trimmed().toUInt());
            if (g.height > 0 && g.height < 80)
                toast = g;
        }
        return toast;
    }
    // Quick dictation on a real desktop into the field that has the keyboard: the shortcut held
    // while a private sound server's microphone plays speech; on release the recognised words
    // land in the field. The pointer waits in a far corner, so that a toast placed by it shows.
    // Screenshots named after `name`.
    void dictateIntoTheField(const QString& name) {
        const std::vector<float> speech = SpeechSample::samples();
        ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
        SoundServer server(SoundServer::kPipeMicrophone);
        ASSERT_TRUE(server.running());
        tavrinEnvironment.insert("PULSE_SERVER", qEnvironmentVariable("PULSE_SERVER"));

        key(QStringLiteral("ctrl+a"));
        key(QStringLiteral("BackSpace"));
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("mousemove"), QStringLiteral("1270"), QStringLiteral("790")});
        startTavrin(QByteArray(R"({"onboardingCompleted": true, "includeScreenshot": false, )"
                               R"("dictationLanguage": "en-US", "smartFormatting": false, )"
                               R"("claudePath": ")" TAVRIN_FIXTURES_DIR R"(/bin/claude"})"));
        // A tap first: it shows that Tavrin holds the shortcut, and Escape gives the field back.
        ASSERT_TRUE(openPanel());
        key(QStringLiteral("Escape"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return focusedWindow() == fieldWindowId; }, 5000));
        QTest::qWait(800);

        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("keydown"), QStringLiteral("ctrl+shift+space")});
        QTest::qWait(1500);
        shot(name, "1-listening");
        // Speech and the pause that closes it, at about real time.
        ASSERT_TRUE(server.play("mic", speech, 16000, [] { QTest::qWait(90); }));
        shot(name, "2-heard");
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("keyup"), QStringLiteral("ctrl+shift+space")});
        QTest::qWait(4000);
        shot(name, "3-inserted");

        // The undo toast below the field, which sits at the top of its window.
        const std::optional<ScreenRect> toast = toastFrame();
        const ScreenRect window = windowRect(fieldWindowId);
        ASSERT_TRUE(toast) << "no undo toast";
        EXPECT_GT(toast->x, window.x);
        EXPECT_LT(toast->x, window.x + 200);
        EXPECT_GT(toast->y, window.y);
        EXPECT_LT(toast->y, window.y + 120);
        // "go forward ten meters", twice: decoded at the pace it is played, a busy moment can
        // turn the first words into others, so any of the phrase's own words will do.
        const QByteArray inField = fieldText();
        EXPECT_TRUE(inField.contains("forward") || inField.contains("meters"))
            << "the spoken words are not in the field: " << inField.toStdString();
    }
    // What the field holds, read as a user would: select all and copy. An empty field copies
    // nothing and leaves the mark on the clipboard.
    QByteArray fieldText() {
        xclipIn("-");
        key(QStringLiteral("ctrl+a"));
        key(QStringLiteral("ctrl+c"));
        QTest::qWait(300);
        const QByteArray text = xclipOut();
        key(QStringLiteral("End"));
        return text;
    }
    void shot(const QString& name, const char* step) {
        screenshot(qPrintable(QStringLiteral("tavrin-%1-%2.png").arg(name, QLatin1String(step))));
    }

    // Starts Tavrin with `settings` as its settings.json (fields left out keep their defaults).
    void startTavrin(const QByteArray& settings = {}) {
        if (!settings.isEmpty()) {
            const QString folder =
                home.path() + QStringLiteral("/data/") + Platform::AppPaths::applicationId();
            QDir().mkpath(folder);
            QFile file(folder + QStringLiteral("/settings.json"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(settings);
        }
        tavrin.setProcessEnvironment(tavrinEnvironment);
        tavrin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tavrin.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
        ASSERT_TRUE(tavrin.waitForStarted());
    }

    // Presses the shortcut until Tavrin, started a moment ago, has grabbed it and its panel
    // has the keyboard.
    bool openPanel() {
        return QTest::qWaitFor(
            [&] {
                key(QStringLiteral("ctrl+shift+space"));
                return QTest::qWaitFor([&] { return focusedPid() == tavrin.processId(); }, 1500);
            },
            20000);
    }
    void screenshot(const char* name) {
        runProgram(QStringLiteral("import"),
                   {QStringLiteral("-window"), QStringLiteral("root"),
                    QStringLiteral(TAVRIN_BINARY_DIR "/") + QLatin1String(name)});
    }

    void TearDown() override {
        for (QProcess* process : {&tavrin, &fieldWindow, &windowManager}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }

    qint64 focusedPid() {
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowpid")})
            .trimmed()
            .toLongLong();
    }
    quint32 focusedWindow() { return connection->focusedTopLevel(); }
    void key(const QString& keys) {
        runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    }

    std::shared_ptr<Platform::XcbConnection> connection = Platform::XcbConnection::open();
    QTemporaryDir home;
    QProcess windowManager;
    QProcess fieldWindow;
    QProcess tavrin;
    QProcessEnvironment tavrinEnvironment;
    quint32 fieldWindowId = 0;
};

TEST_F(TavrinX11Test, TheShortcutOpensThePanelBesideTheFieldAndEscapeOrATapGiveItBack) {
    // Onboarded: on a fresh configuration the introduction would hold the keyboard first.
    startTavrin(R"({"onboardingCompleted": true})");
    ASSERT_TRUE(openPanel()) << "the panel never took the keyboard";
    ASSERT_NE(focusedWindow(), fieldWindowId);
    key(QStringLiteral("Escape"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return focusedWindow() == fieldWindowId; }, 5000))
        << "the field does not have the keyboard again";

    // Once more, now that Tavrin has found the accessibility bus.
    QTest::qWait(800);
    key(QStringLiteral("ctrl+shift+space"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return focusedPid() == tavrin.processId(); }, 5000));
    const quint32 panel = focusedWindow();

    // Beside the field, which sits at the top of its window, by the field's left edge (the
    // pointer, in the middle of the screen, would put it elsewhere), once it has settled.
    const ScreenRect window = windowRect(fieldWindowId);
    QTest::qWait(500);
    const ScreenRect shown = windowRect(panel);
    EXPECT_GT(shown.y, window.y);
    EXPECT_LT(shown.y, window.y + 120);
    EXPECT_GT(shown.x, window.x);
    EXPECT_LT(shown.x, window.x + 120);
    screenshot("tavrin-panel-open.png");

    // A tap while the panel has the keyboard closes it as Escape does.
    key(QStringLiteral("ctrl+shift+space"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return focusedWindow() == fieldWindowId; }, 5000))
        << "the field does not have the keyboard again";
}

// A typed instruction goes to the AI tool (the stand-in `claude`) and its reply streams into
// the panel.
TEST_F(TavrinX11Test, ATypedInstructionRunsThroughTheToolIntoThePanel) {
    QTemporaryDir record;
    tavrinEnvironment.insert("TAVRIN_FAKE_RECORD", record.path() + "/claude");
    tavrinEnvironment.insert("TAVRIN_FAKE_REPLAY",
                             QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
    startTavrin(QByteArray(R"({"onboardingCompleted": true, "includeScreenshot": false, )"
                           R"("claudePath": ")" TAVRIN_FIXTURES_DIR R"(/bin/claude"})"));
    ASSERT_TRUE(openPanel());
    QTest::qWait(300);
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                           QStringLiteral("20"), QStringLiteral("Sag ja")});
    key(QStringLiteral("Return"));
    QFile input(record.path() + "/claude.stdin");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            input.open(QIODevice::ReadOnly);
            const bool sent = input.readAll().contains("Sag ja");
            input.close();
            return sent;
        },
        10000))
        << "the instruction never reached the tool";
    QTest::qWait(1500);
    screenshot("tavrin-panel-reply.png");
    EXPECT_EQ(focusedPid(), tavrin.processId()) << "the panel stays open with the reply";
}

// The whole road into a Qt line edit: the draft is pasted, and the undo toast takes it out
// again.
TEST_F(TavrinX11Test, ADraftIsPastedIntoTheFieldAndUndone) {
    const std::optional<ScreenRect> toast = pasteADraft(QStringLiteral("insert-qt"));
    ASSERT_TRUE(toast) << "no undo toast";
    EXPECT_EQ(fieldText(), "Hallo Welt");

    // "Rückgängig" sits left of the close mark at the capsule's right end.
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(toast->x + toast->width - 90),
                QString::number(toast->y + toast->height / 2), QStringLiteral("click"),
                QStringLiteral("1")});
    QTest::qWait(1000);
    shot(QStringLiteral("insert-qt"), "4-undone");
    EXPECT_EQ(focusedWindow(), fieldWindowId);
    EXPECT_EQ(fieldText(), "-") << "the undo did not take the text out";
}

// The same paste into a GTK 3 entry. GTK 3 entries keep no undo history, so the toast's
// undo has nothing to take back there; the paste and the clipboard are what count.
TEST_F(TavrinX11Test, ADraftIsPastedIntoAGtkEntry) {
    startFieldWindow(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {});
    const std::optional<ScreenRect> toast = pasteADraft(QStringLiteral("insert-gtk"));
    EXPECT_TRUE(toast) << "no undo toast";
    EXPECT_EQ(fieldText(), "Hallo Welt");
}

TEST_F(TavrinX11Test, HeldShortcutDictatesIntoTheField) {
    dictateIntoTheField(QStringLiteral("dictation"));
}

// GTK 3 shows no focused field while the shortcut's key is down: the words still go into the
// entry, and the toast beside it.
TEST_F(TavrinX11Test, HeldShortcutDictatesIntoAGtkEntry) {
    startFieldWindow(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {});
    dictateIntoTheField(QStringLiteral("dictation-gtk"));
}

}  // namespace
