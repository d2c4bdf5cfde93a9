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
#include "SettingsWindow/Blocks/ToolWatch.h"
#include "support/StandInTools.h"

namespace {

using Kind = ProviderStatusStore::State::Kind;

// A tool put at its path, or taken away, is noticed within a look while the page shows, when
// the page shows again after it was hidden, and not while it is hidden; a tool that stays where
// it was found is not asked for its status again.
TEST(ToolWatchTest, AToolThatComesOrGoesIsNoticedWhileThePageShows) {
    if (CLIEnvironment::locate(QStringLiteral("claude"), {}))
        GTEST_SKIP() << "a claude program is installed here";
    const struct {
        const char* name;
        bool thereAtFirst;
        Kind there;
    } rows[] = {
        {"appears, then goes", false, Kind::notLoggedIn},
        {"goes, then comes back", true, Kind::notLoggedIn},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        StandInTools tools;
        QTemporaryDir support;
        QTemporaryDir bin;
        Platform::FakeClock clock;
        Platform::FakeLoginItem loginItem;
        Platform::FakeSystemLog log;
        SettingsStore settings(support.path(), {loginItem, log, clock});
        ProviderStatusStore status(clock);
        const QString claude = bin.filePath(QStringLiteral("claude"));
        const auto put = [&](bool there) {
            if (there)
                ASSERT_TRUE(QFile::copy(StandInTools::settings().claudePath, claude));
            else
                ASSERT_TRUE(QFile::remove(claude));
        };
        const auto kind = [&](bool there) { return there ? row.there : Kind::notFound; };
        const auto shows = [&](Kind wanted, int limitMs) {
            return QTest::qWaitFor(
                [&] { return status.state(ProviderID::claudeCLI).kind == wanted; }, limitMs);
        };
        if (row.thereAtFirst)
            put(true);
        settings.update([&](AssistantSettings& s) {
            s.claudePath = claude;
            s.codexPath = StandInTools::settings().codexPath;
        });
        QWidget page;
        new ToolWatch(&page, status, clock);
        page.show();
        status.refresh(settings.settings());
        ASSERT_TRUE(shows(kind(row.thereAtFirst), 10000));

        put(!row.thereAtFirst);
        clock.advance(ToolWatch::interval);
        EXPECT_TRUE(shows(kind(!row.thereAtFirst), 10000)) << "while the page shows";

        page.hide();
        put(row.thereAtFirst);
        clock.advance(ToolWatch::interval);
        EXPECT_FALSE(shows(kind(row.thereAtFirst), 500)) << "while the page is hidden";
        page.show();
        EXPECT_TRUE(shows(kind(row.thereAtFirst), 10000)) << "as the page shows again";

        const int calls = tools.lines(QStringLiteral("claude-status-calls"));
        for (int look = 0; look < 3; ++look) {
            clock.advance(ToolWatch::interval);
            QTest::qWait(100);
        }
        EXPECT_EQ(tools.lines(QStringLiteral("claude-status-calls")), calls);
    }
}

}  // namespace
