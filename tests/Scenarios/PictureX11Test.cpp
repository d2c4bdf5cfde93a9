#include <QTemporaryDir>

#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

namespace {

// Right after a paste the undo toast stands over the window the draft went into. A panel
// opened for that window then still sends the window's picture, whichever tool answers.
TEST_F(ScenarioTest, APanelOpenedRightAfterAPasteSendsThePictureOfTheWindow) {
    struct Case {
        const char* provider;
        const char* replay;  // a draft, pasted with Control+Return
        // The request with the picture: the picture inside `claude`'s input, or a file after
        // `codex`'s "-i".
        std::function<bool(const QByteArray& argv, const QByteArray& input)> hasPicture;
    };
    const Case cases[] = {
        {"claudeCLI", TAVRIN_FIXTURES_DIR "/claude/draft-hallo-welt.jsonl",
         [](const QByteArray&, const QByteArray& input) {
             return input.contains(R"("type":"image")");
         }},
        {"codexCLI", TAVRIN_FIXTURES_DIR "/codex/answer.jsonl",
         [](const QByteArray& argv, const QByteArray&) {
             return argv.contains(QByteArray("-i\0", 3));
         }},
    };
    QProcess& field = desktop.startClient(QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.canReadLine(); }, 10000));
    const quint64 window = field.readLine().trimmed().mid(7).toULongLong();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000));
    // The pointer far from the field.
    desktop.movePointer(150, 720);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.provider);
        QTemporaryDir record;
        const QString tool = record.filePath(QStringLiteral("tool"));
        desktop.environment.insert("TAVRIN_FAKE_RECORD", tool);
        desktop.environment.insert("TAVRIN_FAKE_REPLAY", QString::fromUtf8(c.replay));
        desktop.writeSettings(QByteArray(R"("provider": ")") + c.provider +
                              R"(", "includeScreenshot": true)");
        desktop.startTavrin();
        const auto ask = [&](const QString& instruction) {
            desktop.type(instruction);
            desktop.key(QStringLiteral("Return"));
            QByteArray input;
            (void)QTest::qWaitFor(
                [&] {
                    input = readFile(tool + ".stdin");
                    return input.contains(instruction.toUtf8());
                },
                10000);
            return std::pair(readFile(tool + ".argv"), input);
        };

        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        const auto [firstArgv, firstInput] = ask(QStringLiteral("Schreib Hallo"));
        ASSERT_TRUE(firstInput.contains("Schreib Hallo")) << "the instruction never went out";
        EXPECT_TRUE(c.hasPicture(firstArgv, firstInput)) << "no picture with the first request";
        // The draft's end, then the paste.
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the draft never ended";
        desktop.key(QStringLiteral("ctrl+Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000))
            << "the field does not have the keyboard again";
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.element(QStringLiteral("push button"),
                                       QStringLiteral("Rückgängig")) != nullptr;
            },
            toastWithinMs))
            << "no undo toast";

        desktop.key(QStringLiteral("ctrl+shift+space"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 5000))
            << "the panel did not open again";
        ScenarioDesktop::screenshot(QStringLiteral("picture-after-paste-") + c.provider);
        const auto [argv, input] = ask(QStringLiteral("Noch eine Zeile"));
        ASSERT_TRUE(input.contains("Noch eine Zeile")) << "the instruction never went out";
        EXPECT_TRUE(c.hasPicture(argv, input)) << "the request went out without the picture";

        desktop.tavrin.terminate();
        ASSERT_TRUE(desktop.tavrin.waitForFinished(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000));
    }
}

}  // namespace
