#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTest>

#include "App/ShortcutConflictNotice.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/fake/FakeInstalledApplications.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserDefaults.h"
#include "Platform/linux/EwmhWindowManagerInfo.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "Platform/linux/XcbConnection.h"
#include "support/Programs.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;

namespace {

// openbox keeps Alt+Leertaste for its window menu: with the default main shortcut the grab is
// refused, and the notice names openbox although no launcher is installed.
TEST(ShortcutConflictNoticeX11Test, NamesTheWindowManagerThatHoldsTheDefault) {
    QProcess openbox;
    // Only once openbox runs: a probe for the key while it is still starting holds the key for
    // a moment, and openbox, refused it then, never takes it.
    ASSERT_TRUE(startWindowManager(openbox));
    Platform::X11HotKeyGrabber grabber;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return grabber.isReserved(Key::space.rawValue, int(Modifier::Option)); }, 10000));

    Platform::FakeUserDefaults defaults;
    Platform::FakeSystemLog log;
    GlobalShortcuts::NamedShortcuts shortcuts(defaults, grabber, log);
    const GlobalShortcuts::Name main("invokeAssistant",
                                     GlobalShortcuts::Shortcut(Key::space, Modifier::Option));
    shortcuts.create(main);
    shortcuts.onKeyDown(main, [] {});
    EXPECT_FALSE(shortcuts.isEnabled(main));

    Platform::FakeInstalledApplications applications;
    Platform::EwmhWindowManagerInfo windowManager(Platform::XcbConnection::open());
    ShortcutConflictNotice notice({shortcuts, applications, windowManager}, main,
                                  GlobalShortcuts::Name("dictateOnly"));
    EXPECT_EQ(notice.apps(), QStringList{"Openbox"});
    EXPECT_TRUE(notice.text().startsWith("Openbox nutzt meist ebenfalls Alt+Leertaste."))
        << notice.text().toStdString();

    openbox.terminate();
    openbox.waitForFinished(5000);
}

}  // namespace
