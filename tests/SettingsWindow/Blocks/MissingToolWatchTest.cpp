#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "AI/CLIEnvironment.h"
#include "AI/ProviderStatusStore.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Blocks/MissingToolWatch.h"
#include "support/StandInTools.h"

namespace {

using Kind = ProviderStatusStore::State::Kind;

// A tool put at its path after the page showed "nicht gefunden" is noticed while the page
// shows, and only then.
TEST(MissingToolWatchTest, AToolThatAppearsIsNoticedWhileThePageShows) {
    if (CLIEnvironment::locate(QStringLiteral("claude"), {}))
        GTEST_SKIP() << "a claude program is installed here";
    StandInTools tools;
    QTemporaryDir support;
    QTemporaryDir bin;
    Platform::FakeClock clock;
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    SettingsStore settings(support.path(), {loginItem, log, clock});
    const QString claude = bin.filePath(QStringLiteral("claude"));
    settings.update([&](AssistantSettings& s) {
        s.claudePath = claude;
        s.codexPath = StandInTools::settings().codexPath;
    });
    ProviderStatusStore status(clock);
    QWidget page;
    new MissingToolWatch(&page, status, settings, clock);
    status.refresh(settings.settings());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return status.state(ProviderID::claudeCLI).kind == Kind::notFound; }, 10000));
    ASSERT_TRUE(QFile::copy(StandInTools::settings().claudePath, claude));

    for (const bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "shown" : "hidden");
        page.setVisible(shown);
        clock.advance(MissingToolWatch::interval);
        const bool noticed = QTest::qWaitFor(
            [&] { return status.state(ProviderID::claudeCLI).kind == Kind::notLoggedIn; },
            shown ? 10000 : 500);
        EXPECT_EQ(noticed, shown);
    }
    // A tool that is there is looked at no more by the watch.
    const int calls = tools.lines(QStringLiteral("claude-status-calls"));
    clock.advance(MissingToolWatch::interval * 3);
    QTest::qWait(200);
    EXPECT_EQ(tools.lines(QStringLiteral("claude-status-calls")), calls);
}

}  // namespace
