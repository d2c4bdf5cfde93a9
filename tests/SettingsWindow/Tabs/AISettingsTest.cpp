#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "AI/AIError.h"
#include "Design/StyledButton.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/AISettings.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"
#include "SettingsWindow/Tabs/ProviderRow.h"
#include "support/StandInTools.h"

using namespace std::chrono_literals;

namespace {

class GermanLocale {
public:
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

// Lets queued chunk deliveries and deferred deletions happen.
void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace

TEST(AISettingsTest, TheTabShowsSuccessOrTheToolsError) {
    GermanLocale german;
    const struct {
        QStringList chunks;
        std::optional<AIFailure> failure;
        // Typed into the tool's path after the check, and committed with Return.
        const char* pathAfter;
        std::optional<QString> result;
    } cases[] = {
        {{" O", "K\n"}, std::nullopt, nullptr, "✓ Verbindung steht (OK, 0,0 s)"},
        {{},
         AIFailure(AIError::cliNotFound("Claude Code (claude)")),
         nullptr,
         "✗ Claude Code (claude) wurde nicht gefunden. Pfad in den Einstellungen unter „KI“ "
         "prüfen."},
        {{"halb"}, AIFailure(AIError::failed("Rate limit")), nullptr, "✗ Rate limit"},
        // The result was that of the old path: it says nothing about the new one.
        {{},
         AIFailure(AIError::cliNotFound("Claude Code (claude)")),
         "/opt/claude-2/claude",
         std::nullopt},
    };
    for (const auto& c : cases) {
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([](auto& s) {
            s.claudePath = QStringLiteral("/opt/claude");
            s.claudeModel = QStringLiteral(" haiku ");
        });
        coordinator.tool.chunks = c.chunks;
        coordinator.tool.failure = c.failure;
        AISettings ai(coordinator);
        ai.testButton()->click();
        EXPECT_EQ(ai.testButton()->text(), "Prüfe …");
        EXPECT_FALSE(ai.testButton()->isEnabled());
        settle();
        if (c.pathAfter) {
            SettingsTextField* path = ai.pathField(ProviderID::claudeCLI);
            path->setFocus();
            path->selectAll();
            QTest::keyClicks(path, QString::fromUtf8(c.pathAfter));
            QTest::keyClick(path, Qt::Key_Return);
        }
        EXPECT_EQ(ai.testRow()->subtitle(), c.result);
        EXPECT_EQ(ai.testButton()->text(), "Prüfen");
        EXPECT_TRUE(ai.testButton()->isEnabled());
        ASSERT_EQ(coordinator.requests.size(), 1);
        EXPECT_EQ(coordinator.requests[0].second, "/opt/claude");
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
