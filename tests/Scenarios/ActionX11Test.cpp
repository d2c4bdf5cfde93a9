#include <QDir>
#include <QFileInfo>
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
    // The file is there as soon as the shell opens it, before the command writes: the card's
    // "Fertig" tells that the command has ended.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return desktop.onScreen(QStringLiteral("push button"), QStringLiteral("Fertig")); },
        10000))
        << "the command never ran to its end";
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

// gh answers a proposed issue with a 502, which may well have created it: the card shows
// gh's error and gh ran once, for no second issue in the user's repository. Asked again, gh
// finds the label missing, which it says before creating anything: then the issue is made
// without labels.
TEST_F(ScenarioTest, AGitHubIssueIsRetriedWithoutLabelsOnlyWhenGhNamesAMissingLabel) {
    QTemporaryDir records;
    const QString mode = records.filePath("mode");
    writeFile(mode, "always");
    // gh as its installer puts it, in ~/.local/bin; each call takes its way of failing from
    // the file `mode`.
    const QString gh = desktop.homePath("home/.local/bin/gh");
    QDir().mkpath(QFileInfo(gh).path());
    writeFile(gh, "#!/bin/sh\nFAKE_GH_FAIL=$(cat \"$FAKE_GH_DIR/mode\") exec " TAVRIN_FIXTURES_DIR
                  "/gh \"$@\"\n");
    QFile::setPermissions(gh, QFile::permissions(gh) | QFileDevice::ExeOwner);
    desktop.environment.insert("FAKE_GH_DIR", records.path());
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/action-issue.jsonl"));
    desktop.writeSettings();
    desktop.startTavrin();
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    QTest::qWait(300);

    desktop.type(QStringLiteral("Mach ein Issue daraus"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Platform::AccessibleRef run =
                desktop.element(QStringLiteral("push button"), QStringLiteral("Issue erstellen"));
            return run && run->frame();
        },
        10000))
        << "no issue card with its button";
    const auto shows = [&](const QString& text) {
        return QTest::qWaitFor([&] { return desktop.accessibleTree().contains(text); }, 10000);
    };
    const auto calls = [&] {
        return QDir(records.path()).entryList({QStringLiteral("call-*")}, QDir::Files).size();
    };

    ASSERT_TRUE(desktop.click(QStringLiteral("push button"), QStringLiteral("Issue erstellen")));
    ASSERT_TRUE(shows(QStringLiteral("HTTP 502: Bad Gateway"))) << "no error on the card";
    ScenarioDesktop::screenshot(QStringLiteral("issue-failed"));
    EXPECT_EQ(calls(), 1) << "gh ran again after a 502";

    // The user tries again on the same card.
    writeFile(mode, "labels");
    ASSERT_TRUE(desktop.click(QStringLiteral("push button"), QStringLiteral("Issue erstellen")));
    ASSERT_TRUE(shows(QStringLiteral("Issue erstellt (ohne Labels: bug gibt es im Repo nicht)")));
    EXPECT_EQ(calls(), 3);
}

}  // namespace
