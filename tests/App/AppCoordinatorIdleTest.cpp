#include <gtest/gtest.h>

#include <QTest>
#include <functional>

#include "App/CoordinatorHarness.h"

namespace {

using namespace std::chrono_literals;
using Kind = ProviderStatusStore::State::Kind;

// With the panel, the settings and the introduction all hidden nothing of ours runs: no
// timer stays armed and a minute passes without a permission check, whatever came before.
// What a user sees on opening something reads the system then.
TEST(AppCoordinatorIdleTest, HiddenEverythingArmsNoTimerAndChecksNoPermission) {
    const struct {
        const char* name;
        std::function<void(CoordinatorHarness&)> before;
    } cases[] = {
        {"started", [](CoordinatorHarness&) {}},
        {"a reply came and the panel closed",
         [](CoordinatorHarness& h) {
             h.open();
             h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
             h.provider.feed({"[[DRAFT]]Hallo"});
             h.provider.finish();
             h.coordinator->dismiss();
         }},
        {"the panel closed while the reply streamed",
         [](CoordinatorHarness& h) {
             h.open();
             h.coordinator->send(QStringLiteral("Antworte"), std::nullopt, false);
             h.provider.feed({"[[DRAFT]]Hal"});
             h.coordinator->dismiss();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
        h.make().start();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return h.providers.state(ProviderID::claudeCLI).kind != Kind::checking &&
                       h.providers.state(ProviderID::codexCLI).kind != Kind::checking;
            },
            20000));
        c.before(h);
        ASSERT_FALSE(h.panel.shown);
        h.clock.advance(5s);  // what closing leaves to finish, finishes
        const int checks = h.trust.checks;

        h.clock.advance(60s);
        QCoreApplication::processEvents();
        EXPECT_EQ(h.trust.checks, checks);
        EXPECT_EQ(h.clock.pendingTimers(), 0);
        EXPECT_EQ(h.settingsShown + h.permissionSettingsShown + h.onboardingShown, 0);
    }
}

}  // namespace
