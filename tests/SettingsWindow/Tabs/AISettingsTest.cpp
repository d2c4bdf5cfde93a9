#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AI/AIError.h"
#include "AI/CLIEnvironment.h"
#include "Design/StyledButton.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/ToolWatch.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/AISettings.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"
#include "SettingsWindow/Tabs/ProviderRow.h"
#include "support/StandInTools.h"

using namespace std::chrono_literals;

namespace {

// A system locale that writes numbers otherwise: the tab's stay German.
class EnglishLocale {
public:
    EnglishLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~EnglishLocale() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

}  // namespace

TEST(AISettingsTest, TheTabShowsSuccessOrTheToolsError) {
    EnglishLocale english;
    const QString tool = StandInTools::settings().claudePath;
    const struct {
        QStringList chunks;
        std::optional<AIFailure> failure;
        // Typed into the tool's path after the check, and committed with Return.
        const char* pathAfter;
        // Chosen by a click on its row after the check.
        std::optional<ProviderID> chosenAfter;
        std::optional<QString> result;
    } cases[] = {
        {{" O", "K\n"}, std::nullopt, nullptr, std::nullopt, "✓ Verbindung steht (OK, 0,0 s)"},
        {{},
         AIFailure(AIError::cliNotFound("Claude Code (claude)")),
         nullptr,
         std::nullopt,
         "✗ Claude Code (claude) wurde nicht gefunden. Pfad in den Einstellungen unter „KI“ "
         "prüfen."},
        {{"halb"}, AIFailure(AIError::failed("Rate limit")), nullptr, std::nullopt, "✗ Rate limit"},
        // The result was that of the old path: it says nothing about the new one.
        {{},
         AIFailure(AIError::cliNotFound("Claude Code (claude)")),
         "/opt/claude-2/claude",
         std::nullopt,
         std::nullopt},
        // Nor does it speak of another tool.
        {{"OK"}, std::nullopt, nullptr, ProviderID::codexCLI, std::nullopt},
    };
    for (const auto& c : cases) {
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([&](auto& s) {
            s.claudePath = tool;
            s.claudeModel = QStringLiteral(" haiku ");
        });
        coordinator.tool.chunks = c.chunks;
        coordinator.tool.failure = c.failure;
        AISettings ai(coordinator);
        ai.testButton()->click();
        EXPECT_EQ(ai.testButton()->text(), "Prüfe …");
        EXPECT_FALSE(ai.testButton()->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ai.connectionTest().isRunning(); }, 10000));
        if (c.pathAfter) {
            SettingsTextField* path = ai.pathField(ProviderID::claudeCLI);
            path->setFocus();
            path->selectAll();
            QTest::keyClicks(path, QString::fromUtf8(c.pathAfter));
            QTest::keyClick(path, Qt::Key_Return);
        }
        if (c.chosenAfter) {
            ai.resize(560, 900);
            ai.show();
            ProviderRow* row = ai.providerRow(*c.chosenAfter);
            QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(20, row->height() / 2));
            ASSERT_EQ(coordinator.settings().settings().provider, *c.chosenAfter);
        }
        EXPECT_EQ(ai.testRow()->subtitle(), c.result);
        EXPECT_EQ(ai.testButton()->text(), "Prüfen");
        EXPECT_TRUE(ai.testButton()->isEnabled());
        ASSERT_EQ(coordinator.requests.size(), 1);
        EXPECT_EQ(coordinator.requests[0].second, tool);
    }
}

// A path typed into "Programmpfade" is looked at once it is complete: the tool's row shows
// what is found there without "Prüfen" and without showing the tab again.
TEST(AISettingsTest, ACommittedPathIsCheckedAtOnce) {
    for (const ProviderID provider : allProviderIDs()) {
        const bool claude = provider == ProviderID::claudeCLI;
        SCOPED_TRACE(claude ? "claude" : "codex");
        StandInTools tools;
        tools.write(claude ? "claude-status" : "codex-status",
                    claude ? R"({"loggedIn": false})" : "Not logged in");
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([](auto& s) { s = StandInTools::settings(); });
        AISettings ai(coordinator);
        ai.show();
        const ProviderRow* row = ai.providerRow(provider);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return row->statusText() == "Nicht angemeldet"; }, 10000));

        tools.write(claude ? "claude-status" : "codex-status",
                    claude ? R"({"loggedIn": true})" : "Logged in using an API key");
        SettingsTextField* path = ai.pathField(provider);
        path->setFocus();
        path->selectAll();
        QTest::keyClicks(path, QStringLiteral(TAVRIN_FIXTURES_DIR "/setup/./") +
                                   ProviderStatusStore::programName(provider));
        EXPECT_EQ(row->statusText(), "Nicht angemeldet") << "nothing is looked at while typing";
        QTest::keyClick(path, Qt::Key_Return);
        EXPECT_EQ(row->statusText(), "Prüfe …");
        EXPECT_TRUE(QTest::qWaitFor([&] { return row->statusText() == "Angemeldet"; }, 10000));
    }
}

// The row says when the path typed for its tool names no program, and which program its state
// speaks of instead; so does the path's own row, where it is typed, far below.
TEST(AISettingsTest, ARowNamesTheProgramItSpeaksOfWhenTheTypedPathNamesNone) {
    using State = ProviderStatusStore::State;
    const struct {
        const char* name;
        State state;
        QString note;
    } cases[] = {
        {"found elsewhere", State{State::Kind::ready, "a@b.de", "~/claude", "/usr/bin/claude"},
         "„~/claude“ ist kein Programm; verwendet wird /usr/bin/claude."},
        {"found nowhere", State{State::Kind::notFound, std::nullopt, "~/claude", {}},
         "„~/claude“ ist kein Programm."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        AISettings ai(coordinator);
        coordinator.setup.set(ProviderID::claudeCLI, ProviderSetup::Phase::idle(), c.state);
        EXPECT_EQ(ai.providerRow(ProviderID::claudeCLI)->statusText(), c.state.longText());
        EXPECT_EQ(ai.providerRow(ProviderID::claudeCLI)->pathNote(), c.note);
        EXPECT_EQ(ai.pathRow(ProviderID::claudeCLI)->subtitle(), c.note);
        EXPECT_EQ(ai.pathRow(ProviderID::codexCLI)->subtitle(), std::nullopt);
    }
}

// A signed-in tool whose program goes away while the tab shows is "Nicht gefunden" within a
// look of the tab, offered for installing instead of for signing in again.
TEST(AISettingsTest, AToolThatGoesAwayIsNotFoundWithinALook) {
    if (CLIEnvironment::locate(QStringLiteral("claude"), {}))
        GTEST_SKIP() << "a claude program is installed here";
    StandInTools tools;
    tools.write("claude-status", R"({"loggedIn": true})");
    QTemporaryDir bin;
    const QString claude = bin.filePath(QStringLiteral("claude"));
    ASSERT_TRUE(QFile::copy(StandInTools::settings().claudePath, claude));
    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([&](auto& s) {
        s = StandInTools::settings();
        s.claudePath = claude;
    });
    AISettings ai(coordinator);
    ai.show();
    const ProviderRow* row = ai.providerRow(ProviderID::claudeCLI);
    const auto buttons = [row] {
        QStringList texts;
        for (const StyledButton* button : row->findChildren<StyledButton*>()) {
            if (button->isVisibleTo(row))
                texts.append(button->text());
        }
        return texts;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return row->statusText() == "Angemeldet"; }, 10000));
    EXPECT_EQ(buttons(), QStringList{"Neu anmelden"});

    ASSERT_TRUE(QFile::remove(claude));
    coordinator.clock_.advance(ToolWatch::interval);
    EXPECT_TRUE(QTest::qWaitFor([&] { return row->statusText() == "Nicht gefunden"; }, 10000));
    EXPECT_EQ(buttons(), QStringList{"Installieren"});
}
