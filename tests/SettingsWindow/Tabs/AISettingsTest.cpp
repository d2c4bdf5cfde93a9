#include <gtest/gtest.h>

#include <QCoreApplication>

#include "AI/AIError.h"
#include "Design/StyledButton.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/AISettings.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"

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
        QString result;
    } cases[] = {
        {{" O", "K\n"}, std::nullopt, "✓ Verbindung steht (OK, 0,0 s)"},
        {{},
         AIFailure(AIError::cliNotFound("Claude Code (claude)")),
         "✗ Claude Code (claude) wurde nicht gefunden. Pfad in den Einstellungen unter „KI“ "
         "prüfen."},
        {{"halb"}, AIFailure(AIError::failed("Rate limit")), "✗ Rate limit"},
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
        EXPECT_EQ(ai.testRow()->subtitle(), c.result);
        EXPECT_EQ(ai.testButton()->text(), "Prüfen");
        EXPECT_TRUE(ai.testButton()->isEnabled());
        ASSERT_EQ(coordinator.requests.size(), 1);
        EXPECT_EQ(coordinator.requests[0].second, "/opt/claude");
    }
}
