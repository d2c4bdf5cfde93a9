#include <xcb/xcb.h>

#include <QSettings>
#include <QTemporaryDir>

#include "Platform/AppPaths.h"
#include "Platform/linux/XcbConnection.h"
#include "Voice/SpeechSample.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"
#include "support/SoundServer.h"

namespace {

// The programs that record from the desktop's microphone at the moment.
int recordings() {
    return runProgram(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"),
                                                QStringLiteral("source-outputs")})
        .count('\n');
}

// A desktop whose microphone hears what the test plays.
class HoldScenario : public ScenarioTest {
protected:
    HoldScenario() : ScenarioTest(QString::fromLatin1(SoundServer::kPipeMicrophone)) {}
};

// Whether another program can take the whole keyboard now, as a game or a screen locker does.
bool keyboardIsFree() {
    const std::shared_ptr<Platform::XcbConnection> x = Platform::XcbConnection::open();
    if (!x)
        return false;
    xcb_connection_t* c = x->connection();
    xcb_grab_keyboard_reply_t* reply =
        xcb_grab_keyboard_reply(c,
                                xcb_grab_keyboard(c, 0, x->root(), XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr);
    const bool free = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
    return free;
}

// With the panel in front, holding the shortcut, or the push-to-talk key, dictates into it.
// Escape then drops what was heard while the key (with Alt) is still held: the microphone
// stops at once, and the release sends nothing to the AI.
TEST_F(HoldScenario, EscapeWhileAKeyWithAltIsHeldDropsTheDictationInThePanel) {
    struct Case {
        const char* name;
        const char* held;  // as xdotool names it
    };
    const Case cases[] = {
        // A shortcut with Alt that openbox leaves free (it keeps Alt+Space and Alt+Escape):
        // its grab hands every key to Tavrin while it is held.
        {"the shortcut Alt+Shift+Space", "alt+shift+space"},
        // Without a grab of ours, Alt+Escape is the window manager's.
        {"push-to-talk with the right Alt key", "Alt_R"},
    };
    const std::vector<float> speech = SpeechSample::samples();
    ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
    QSettings(desktop.homePath("config/") + Platform::AppPaths::applicationId() + "/defaults.conf",
              QSettings::IniFormat)
        .setValue(QStringLiteral("GlobalShortcuts_invokeAssistant"),
                  QStringLiteral(R"({"carbonKeyCode":49,"carbonModifiers":2560})"));
    QTemporaryDir record;
    desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
    desktop.writeSettings(R"("dictationLanguage": "en-US", "smartFormatting": false, )"
                          R"("pushToTalkKey": "rightOption")");
    desktop.startTavrin();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            desktop.key(QStringLiteral("alt+shift+space"));
            return QTest::qWaitFor(
                [&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 1500);
        },
        20000))
        << "the panel never took the keyboard";
    QTest::qWait(500);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString held = QString::fromLatin1(c.held);
        runProgram(QStringLiteral("xdotool"), {QStringLiteral("keydown"), held});
        ASSERT_TRUE(QTest::qWaitFor([] { return recordings() > 0; }, 5000))
            << "holding the key never started the dictation";
        // Words, at about the pace they are spoken.
        ASSERT_TRUE(desktop.sound().play("mic", speech, 8000, [] { QTest::qWait(90); }));
        desktop.key(QStringLiteral("Escape"));
        EXPECT_TRUE(QTest::qWaitFor([] { return recordings() == 0; }, 3000))
            << "the microphone still records after Escape";
        runProgram(QStringLiteral("xdotool"), {QStringLiteral("keyup"), held});

        QTest::qWait(2000);
        // The tool is asked whether it is signed in, which sends it nothing; a request would.
        EXPECT_TRUE(readFile(record.filePath("claude.stdin")).isEmpty())
            << "the dictation went to the AI: "
            << readFile(record.filePath("claude.stdin")).toStdString();
        EXPECT_EQ(desktop.focusedPid(), desktop.tavrin.processId()) << "the panel stays open";
        EXPECT_TRUE(keyboardIsFree()) << "Tavrin still holds the keyboard";
    }
}

}  // namespace
