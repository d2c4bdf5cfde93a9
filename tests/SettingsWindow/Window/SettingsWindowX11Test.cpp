#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "Design/WrappingLabel.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/fake/FakeUserDefaults.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/DictateOnlyRecorder.h"
#include "SettingsWindow/Tabs/GeneralSettings.h"
#include "SettingsWindow/Window/SettingsView.h"
#include "SettingsWindow/Window/SettingsWindowController.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

namespace {

// Generous: with the accessibility bus switched on by an earlier test, Qt's first calls to a
// registry that is still starting can hold up the event loop for seconds on a busy machine.
constexpr int patience = 20000;
// A key sent through XTest reaches its window or grab well within this.
constexpr int keyPatience = 10000;

}  // namespace

// Under a real window manager: the window comes up decorated, centred and in front of the
// window the user worked in; closing only hides it, and the next opening brings the same
// window to the front again.
TEST(SettingsWindowX11Test, ComesToTheFrontDecoratedAndCloseOnlyHidesIt) {
    QProcess windowManager;
    // Waiting for openbox's own key binding was not enough: it takes its keys before it manages
    // new windows, and a window shown in between never became active.
    ASSERT_TRUE(startWindowManager(windowManager));

    QWidget other;
    other.setWindowTitle("Editor");
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, patience));

    FakeSettingsCoordinator coordinator;
    SettingsWindowController controller(coordinator);
    controller.show();
    SettingsView* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, patience));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, patience))
        << "the window manager decorates it";
    const QRect available = window->screen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - available.center()).manhattanLength(), 40);

    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, patience));
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, patience));
    EXPECT_EQ(controller.window(), window);

    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window, patience));

    windowManager.terminate();
    windowManager.waitForFinished(5000);
}

// The X server's wheel buttons over a picker, as a mouse sends them: the page scrolls, and
// neither the picker nor settings.json changes.
TEST(SettingsWindowX11Test, TheWheelOverAPickerScrollsTheWindow) {
    QProcess windowManager;
    ASSERT_TRUE(startWindowManager(windowManager));
    FakeSettingsCoordinator coordinator;
    coordinator.setSettingsTab(SettingsTab::general);
    SettingsWindowController controller(coordinator);
    controller.show();
    SettingsView* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, patience));
    const QByteArray before = coordinator.settingsFile();
    auto* page = window->findChild<QScrollArea*>();
    auto* picker = window->content()->findChild<ValuePicker*>();
    ASSERT_TRUE(page && picker);
    ASSERT_GT(page->verticalScrollBar()->maximum(), 0);
    const int shown = picker->currentIndex();

    const QPoint over = picker->mapToGlobal(picker->rect().center());
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(over.x()), QString::number(over.y())});
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("3"),
                QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("5")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->verticalScrollBar()->value() > 0; }, patience));
    const int scrolled = page->verticalScrollBar()->value();
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("4")});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return page->verticalScrollBar()->value() < scrolled; }, patience));
    QTest::qWait(200);
    EXPECT_EQ(picker->currentIndex(), shown);
    EXPECT_FALSE(picker->hasFocus());
    EXPECT_EQ(coordinator.settingsFile().toStdString(), before.toStdString());

    windowManager.terminate();
    windowManager.waitForFinished(5000);
}

// Tavrin's own shortcuts are grabbed at the X server, which hands their keys to the grab and
// to no window. Pressed on the keyboard into a recorder that listens, they still reach it: the
// dictate-only recorder refuses the main shortcut with its message, the main recorder takes the
// dictate-only one over. Once the recorder stopped, the combination runs its handler again.
TEST(SettingsWindowX11Test, ARecorderGetsTavrinsOwnShortcutsFromTheKeyboard) {
    using GlobalShortcuts::Key;
    using GlobalShortcuts::Modifier;
    using GlobalShortcuts::RecorderControl;
    using GlobalShortcuts::Shortcut;
    QProcess windowManager;
    ASSERT_TRUE(startWindowManager(windowManager));
    // Combinations openbox leaves alone.
    const Shortcut controlShiftF7(Key::f7, Modifier::Control | Modifier::Shift);
    const Shortcut controlShiftF8(Key::f8, Modifier::Control | Modifier::Shift);
    const struct {
        const char* name;
        std::function<RecorderControl*(GeneralSettings&)> recorder;
        std::optional<Shortcut> dictateOnlyBefore;
        const char* keys;
        Shortcut mainAfter;
        QString message;
    } cases[] = {
        {"the main shortcut into the dictate-only recorder",
         [](GeneralSettings& g) { return g.dictateOnlyRecorder()->recorder(); }, std::nullopt,
         "ctrl+shift+F7", controlShiftF7, "Schon für „Tavrin öffnen“ vergeben"},
        {"the dictate-only shortcut into the main recorder",
         [](GeneralSettings& g) { return g.mainRecorder(); }, controlShiftF8, "ctrl+shift+F8",
         controlShiftF8, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Platform::FakeUserDefaults defaults;
        Platform::X11HotKeyGrabber grabber;
        Platform::FakeSystemLog log;
        GlobalShortcuts::NamedShortcuts shortcuts(defaults, grabber, log);
        shortcuts.setShortcut(controlShiftF7, ShortcutNames::invokeAssistant());
        shortcuts.setShortcut(c.dictateOnlyBefore, ShortcutNames::dictateOnly());
        QStringList ran;
        for (const GlobalShortcuts::Name& name :
             {ShortcutNames::invokeAssistant(), ShortcutNames::dictateOnly()})
            shortcuts.onKeyDown(name, [&ran, name] { ran << name.rawValue; });
        ASSERT_TRUE(shortcuts.isEnabled(ShortcutNames::invokeAssistant()));

        FakeSettingsCoordinator coordinator;
        coordinator.realShortcuts = &shortcuts;
        coordinator.setSettingsTab(SettingsTab::general);
        SettingsWindowController controller(coordinator);
        controller.show();
        SettingsView* window = controller.window();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, patience));
        auto* general = window->findChild<GeneralSettings*>();
        ASSERT_TRUE(general);
        RecorderControl* recorder = c.recorder(*general);
        QTest::mouseClick(recorder, Qt::LeftButton);
        ASSERT_TRUE(recorder->isRecording());

        runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromUtf8(c.keys)});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder->isRecording(); }, keyPatience))
            << "the keys reached the recorder";
        EXPECT_EQ(shortcuts.getShortcut(ShortcutNames::invokeAssistant()), c.mainAfter);
        EXPECT_EQ(shortcuts.getShortcut(ShortcutNames::dictateOnly()), std::nullopt);
        EXPECT_TRUE(general->dictateOnlyRecorder()->recorder()->text().isEmpty());
        const auto* message = general->dictateOnlyRecorder()->findChild<WrappingLabel*>();
        ASSERT_TRUE(message);
        EXPECT_EQ((message->isVisible() ? message->text() : QString()).toStdString(),
                  c.message.toStdString());
        EXPECT_TRUE(ran.isEmpty()) << ran.join(' ').toStdString();

        runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromUtf8(c.keys)});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ran.isEmpty(); }, keyPatience))
            << "the combination is grabbed again";
        EXPECT_EQ(ran.join(' ').toStdString(), "invokeAssistant");
        window->close();
    }

    windowManager.terminate();
    windowManager.waitForFinished(5000);
}
