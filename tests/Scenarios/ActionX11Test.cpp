#include <QDir>
#include <QTemporaryDir>

#include "support/Files.h"
#include "support/ScenarioDesktop.h"

namespace {

// The tool proposes the user's shell action with values that would run commands if the shell
// parsed them (quotes, $(…), backquotes, a line break, a placeholder): "Ausführen" runs the
// command once, the values arrive as plain words, and nothing else runs.
TEST_F(ScenarioTest, AProposedShellActionRunsOnceWithHostileValuesAsPlainWords) {
    QTemporaryDir trap;
    desktop.environment.insert("SCENARIO_TRAP", trap.path());
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/action-hostile.jsonl"));
    desktop.writeSettings(
        R"("customActions": [{"id": "notiz", "name": "Notiz", )"
        R"("trigger": "Wenn der Nutzer eine Notiz anlegen will.", "kind": "shell", )"
        R"("instructions": "", "template": "printf '[%s]\\n' {{titel}} {{text}} )"
        R"(>> \"$SCENARIO_TRAP/out\"", "parameters": ["titel", "text"], "builtIn": false}])");
    desktop.startTavrin();
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    QTest::qWait(300);
    desktop.type(QStringLiteral("Leg eine Notiz an"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Platform::AccessibleRef run =
                desktop.element(QStringLiteral("push button"), QStringLiteral("Ausführen"));
            return run && run->frame();
        },
        10000))
        << "no action card with its run button";
    ScenarioDesktop::screenshot(QStringLiteral("action-card"));
    ASSERT_TRUE(desktop.click(QStringLiteral("push button"), QStringLiteral("Ausführen")));

    const QString out = trap.filePath("out");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(out); }, 10000))
        << "the command never ran";
    // Time for a second run or a smuggled command to show.
    QTest::qWait(1500);
    ScenarioDesktop::screenshot(QStringLiteral("action-done"));
    EXPECT_EQ(QString::fromUtf8(readFile(out)),
              QStringLiteral("[it's \"quoted\" $(touch \"$SCENARIO_TRAP/dollar\") "
                             "`touch \"$SCENARIO_TRAP/tick\"`]\n"
                             "[line one\n; touch \"$SCENARIO_TRAP/semicolon\" && echo {{titel}} "
                             "$HOME]\n"));
    EXPECT_EQ(QDir(trap.path()).entryList(QDir::Files), QStringList{QStringLiteral("out")})
        << "a value ran as a command";
}

}  // namespace
