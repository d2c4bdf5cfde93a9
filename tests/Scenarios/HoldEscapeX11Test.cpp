#include <QSettings>
#include <QTemporaryDir>

#include "Platform/AppPaths.h"
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

// With the panel in front, holding the shortcut dictates into it. Escape then drops what was
// heard, while the shortcut (with Alt) is still held: the microphone stops at once, and the
// release sends nothing to the AI.
TEST_F(HoldScenario, EscapeWhileTheShortcutIsHeldDropsTheDictationInThePanel) {
    const std::vector<float> speech = SpeechSample::samples();
    ASSERT_FALSE(speech.empty()) << "espeak-ng and sox make the sample (scripts/setup)";
    // Alt+Shift+Space: a shortcut with Alt that openbox leaves free (it keeps Alt+Space and
    // Alt+Escape for itself).
    QSettings(desktop.homePath("config/") + Platform::AppPaths::applicationId() + "/defaults.conf",
              QSettings::IniFormat)
        .setValue(QStringLiteral("GlobalShortcuts_invokeAssistant"),
                  QStringLiteral(R"({"carbonKeyCode":49,"carbonModifiers":2560})"));
    QTemporaryDir record;
    desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
    desktop.writeSettings(R"("dictationLanguage": "en-US", "smartFormatting": false)");
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

    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("keydown"), QStringLiteral("alt+shift+space")});
    ASSERT_TRUE(QTest::qWaitFor([] { return recordings() > 0; }, 5000))
        << "the held shortcut never started the dictation";
    // Words, at about the pace they are spoken.
    ASSERT_TRUE(desktop.sound().play("mic", speech, 8000, [] { QTest::qWait(90); }));
    ScenarioDesktop::screenshot(QStringLiteral("hold-escape-listening"));
    desktop.key(QStringLiteral("Escape"));
    EXPECT_TRUE(QTest::qWaitFor([] { return recordings() == 0; }, 3000))
        << "the microphone still records after Escape";
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("keyup"), QStringLiteral("alt+shift+space")});

    QTest::qWait(3000);
    // The tool is asked whether it is signed in, which sends it nothing; a request would.
    EXPECT_TRUE(readFile(record.filePath("claude.stdin")).isEmpty())
        << "the dictation went to the AI: "
        << readFile(record.filePath("claude.stdin")).toStdString();
    EXPECT_EQ(desktop.focusedPid(), desktop.tavrin.processId()) << "the panel stays open";
}

}  // namespace
