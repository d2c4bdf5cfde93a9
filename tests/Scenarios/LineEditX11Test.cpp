#include <QTemporaryDir>

#include "support/Files.h"
#include "support/ScenarioDesktop.h"

namespace {

// A Qt window whose line edit holds "Hallo Welt" with "Welt" selected: the shortcut opens the
// panel beside the field, the instruction goes to the tool with the selection, and the reply
// streams into the panel.
TEST_F(ScenarioTest, InALineEditThePanelOpensBesideTheFieldAndTheToolGetsTheSelection) {
    QTemporaryDir record;
    desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
    desktop.environment.insert("TAVRIN_FAKE_DELAY", "0.2");
    desktop.writeSettings();
    QProcess& field =
        desktop.startClient(QStringLiteral(TAVRIN_FIELD_WINDOW), {QStringLiteral("fields")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.canReadLine(); }, 10000));
    const quint64 window = field.readLine().trimmed().mid(7).toULongLong();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000))
        << "the field's window never had the keyboard";
    // The pointer far from the field, so that a panel by the pointer shows.
    desktop.movePointer(1100, 700);

    desktop.startTavrin();
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    const quint64 panel = desktop.focusedWindow();
    QTest::qWait(500);
    const ScreenRect fieldWindow = windowRect(window);
    const ScreenRect shown = windowRect(panel);
    EXPECT_GT(shown.y, fieldWindow.y);
    EXPECT_LT(shown.y, fieldWindow.y + 120) << "the panel is not by the field";
    EXPECT_GT(shown.x, fieldWindow.x);
    EXPECT_LT(shown.x, fieldWindow.x + 120) << "the panel is not by the field";
    ScenarioDesktop::screenshot(QStringLiteral("line-edit-panel"));

    desktop.type(QStringLiteral("Mach daraus eine Frage"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return readFile(record.filePath("claude.stdin")).contains("eine Frage"); }, 10000))
        << "the instruction never reached the tool";
    const QByteArray request = readFile(record.filePath("claude.stdin"));
    // The selection is quoted for the tool as what the instruction is about.
    EXPECT_TRUE(request.contains("SELECTED")) << request.toStdString();
    EXPECT_TRUE(request.contains("Welt")) << "the tool did not get the selection";
    // Half of the reply is there while the rest still comes.
    QTest::qWait(700);
    ScenarioDesktop::screenshot(QStringLiteral("line-edit-streaming"));
    QTest::qWait(1500);
    EXPECT_EQ(desktop.focusedPid(), desktop.tavrin.processId())
        << "the panel stays open with the reply";
}

}  // namespace
