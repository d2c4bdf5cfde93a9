#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "GlobalShortcuts/EventStream.h"
#include "support/FakeShortcuts.h"
#include "support/Lines.h"

using GlobalShortcuts::EventType;
using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Name;
using GlobalShortcuts::Shortcut;

namespace {

const Shortcut altSpace(Key::space, Modifier::Option);
const Shortcut controlK(Key::k, Modifier::Control);
const Shortcut controlJ(Key::j, Modifier::Control);

class NamedShortcutsTest : public ::testing::Test, protected FakeShortcuts {
protected:
    bool press(const Shortcut& shortcut) {
        return grabber.press(shortcut.carbonKeyCode, shortcut.carbonModifiers);
    }
    bool release(const Shortcut& shortcut) {
        return grabber.releaseKey(shortcut.carbonKeyCode, shortcut.carbonModifiers);
    }
    bool grabbed(const Shortcut& shortcut) const {
        return grabber.isGrabbed(shortcut.carbonKeyCode, shortcut.carbonModifiers);
    }
    // Counts the name's key-downs and key-ups as "name↓" and "name↑".
    void record(const Name& name) {
        shortcuts.onKeyDown(name, [this, name] { events << name.rawValue + "↓"; });
        shortcuts.onKeyUp(name, [this, name] { events << name.rawValue + "↑"; });
    }

    QStringList events;
    const Name invoke{"invokeAssistant", altSpace};
    const Name dictate{"dictateOnly"};
};

}  // namespace

TEST_F(NamedShortcutsTest, DispatchFollowsTheStoredShortcut) {
    shortcuts.create(invoke);
    record(invoke);
    EXPECT_TRUE(press(altSpace));
    EXPECT_TRUE(release(altSpace));

    shortcuts.setShortcut(controlK, invoke);
    EXPECT_FALSE(press(altSpace)) << "the old combination is given back";
    EXPECT_FALSE(grabbed(altSpace));
    press(controlK);
    release(controlK);
    EXPECT_EQ(joined(events), joined(QStringList({"invokeAssistant↓", "invokeAssistant↑",
                                                  "invokeAssistant↓", "invokeAssistant↑"})));
}

TEST_F(NamedShortcutsTest, NamesSharingACombinationKeepItUntilTheLastLetsGo) {
    shortcuts.setShortcut(controlK, invoke);
    shortcuts.setShortcut(controlK, dictate);
    record(invoke);
    record(dictate);
    QSignalSpy enabled(&shortcuts, &GlobalShortcuts::NamedShortcuts::enabledChanged);

    press(controlK);
    EXPECT_EQ(events.size(), 2);
    EXPECT_TRUE(events.contains("invokeAssistant↓") && events.contains("dictateOnly↓"));

    const QStringList both{"invokeAssistant↓", "dictateOnly↓"};
    const QStringList dictateOnly{"dictateOnly↓"};
    const struct {
        const char* step;
        std::function<void()> change;
        bool dictateEnabled;
        bool grabbed;
        // What a press of the combination runs afterwards, in any order.
        QStringList pressed;
    } steps[] = {
        {"clear the other name", [&] { shortcuts.setShortcut(std::nullopt, invoke); }, true, true,
         dictateOnly},
        {"store the other name again", [&] { shortcuts.setShortcut(controlK, invoke); }, true, true,
         both},
        {"disable the other name on the shared combination", [&] { shortcuts.disable({invoke}); },
         true, true, dictateOnly},
        {"enable it again", [&] { shortcuts.enable({invoke}); }, true, true, both},
        {"move the other name", [&] { shortcuts.setShortcut(controlJ, invoke); }, true, true,
         dictateOnly},
        {"remove the other's handlers", [&] { shortcuts.removeHandler(invoke); }, true, true,
         dictateOnly},
        {"disable the other name", [&] { shortcuts.disable({invoke}); }, true, true, dictateOnly},
        {"clear the last name",
         [&] { shortcuts.setShortcut(std::nullopt, dictate); },
         false,
         false,
         {}},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(shortcuts.isEnabled(dictate), step.dictateEnabled) << step.step;
        EXPECT_EQ(grabbed(controlK), step.grabbed) << step.step;
        events.clear();
        press(controlK);
        QStringList pressed = events;
        pressed.sort();
        QStringList expected = step.pressed;
        expected.sort();
        EXPECT_EQ(joined(pressed), joined(expected)) << step.step;
    }
    events.clear();
    shortcuts.setShortcut(controlK, dictate);
    press(controlK);
    EXPECT_EQ(joined(events), joined(QStringList({"dictateOnly↓"})));
    QStringList reports;
    for (const QList<QVariant>& report : std::as_const(enabled))
        reports << report.at(0).value<Name>().rawValue + (report.at(1).toBool() ? "+" : "-");
    EXPECT_EQ(joined(reports),
              joined(QStringList({"invokeAssistant-", "invokeAssistant+", "invokeAssistant-",
                                  "invokeAssistant+", "invokeAssistant-", "dictateOnly-",
                                  "dictateOnly+"})));
}

TEST_F(NamedShortcutsTest, NothingRunsWhileARecorderRecords) {
    shortcuts.create(invoke);
    record(invoke);
    auto* stream = shortcuts.events(invoke);
    int streamed = 0;
    QObject::connect(stream, &GlobalShortcuts::EventStream::event, [&] { ++streamed; });

    // Given back, the combination's keys reach the recorder's window, which may be recording
    // it for another name; it stays ours meanwhile.
    shortcuts.setRecorderActive(true);
    EXPECT_FALSE(press(altSpace));
    EXPECT_TRUE(shortcuts.isEnabled(invoke));
    shortcuts.setShortcut(controlK, dictate);
    EXPECT_FALSE(grabbed(controlK)) << "one stored meanwhile waits too";
    EXPECT_TRUE(shortcuts.isEnabled(dictate));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(streamed, 0);

    shortcuts.setRecorderActive(false);
    EXPECT_TRUE(grabbed(controlK));
    press(altSpace);
    EXPECT_EQ(joined(events), joined(QStringList({"invokeAssistant↓"})));
    EXPECT_EQ(streamed, 1);
    delete stream;
}

TEST_F(NamedShortcutsTest, AnOpenMenuTakesTheKeysAndGivesThemBack) {
    shortcuts.create(invoke);
    record(invoke);
    QMenu menu;
    menu.addAction("Einstellungen");

    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    EXPECT_TRUE(shortcuts.registry().isMenuOpen());
    EXPECT_FALSE(grabbed(altSpace));
    EXPECT_TRUE(shortcuts.isEnabled(invoke));

    // The menu's own key events are matched instead; a repeat stays the menu's.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier, QString(), true);
    // Alt let go first: the release still belongs to the press.
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&menu, &down);
    QApplication::sendEvent(&menu, &repeat);
    QApplication::sendEvent(&menu, &up);
    QApplication::sendEvent(&menu, &other);
    EXPECT_EQ(joined(events), joined(QStringList({"invokeAssistant↓", "invokeAssistant↑"})));

    menu.hide();
    EXPECT_FALSE(shortcuts.registry().isMenuOpen());
    EXPECT_TRUE(grabbed(altSpace));

    // A press whose release the closing menu takes along is released with it.
    events.clear();
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    QApplication::sendEvent(&menu, &down);
    menu.hide();
    EXPECT_EQ(joined(events), joined(QStringList({"invokeAssistant↓", "invokeAssistant↑"})));
}

TEST_F(NamedShortcutsTest, AMenuClosesOnACombinationSomeoneTookMeanwhile) {
    shortcuts.create(invoke);
    record(invoke);
    QMenu menu;
    menu.addAction("Beenden");
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    grabber.taken.insert({altSpace.carbonKeyCode, altSpace.carbonModifiers});
    QSignalSpy enabled(&shortcuts, &GlobalShortcuts::NamedShortcuts::enabledChanged);

    menu.hide();
    EXPECT_FALSE(shortcuts.isEnabled(invoke));
    ASSERT_EQ(enabled.size(), 1);
    EXPECT_FALSE(enabled.at(0).at(1).toBool());
    EXPECT_EQ(joined(log.lines),
              joined(QStringList({"[Tavrin] Error registering hotkey Alt+Leertaste: -10"})));
}

TEST_F(NamedShortcutsTest, ARefusedCombinationIsStoredButReportedOff) {
    grabber.taken.insert({altSpace.carbonKeyCode, altSpace.carbonModifiers});
    QSignalSpy enabled(&shortcuts, &GlobalShortcuts::NamedShortcuts::enabledChanged);
    QSignalSpy changed(&shortcuts, &GlobalShortcuts::NamedShortcuts::shortcutByNameDidChange);
    shortcuts.create(invoke);
    record(invoke);

    EXPECT_EQ(shortcuts.getShortcut(invoke), altSpace);
    EXPECT_EQ(changed.size(), 1);
    EXPECT_FALSE(shortcuts.isEnabled(invoke));
    EXPECT_EQ(enabled.size(), 0);
    EXPECT_EQ(joined(log.lines),
              joined(QStringList({"[Tavrin] Error registering hotkey Alt+Leertaste: -10"})));

    // Another handler does not ask again; storing the value again does.
    grabber.taken.clear();
    record(invoke);
    EXPECT_FALSE(shortcuts.isEnabled(invoke));
    shortcuts.setShortcut(altSpace, invoke);
    EXPECT_TRUE(shortcuts.isEnabled(invoke));
    ASSERT_EQ(enabled.size(), 1);
    EXPECT_TRUE(enabled.at(0).at(1).toBool());
}

TEST_F(NamedShortcutsTest, UnknownKeysAndFunctionAreRefusedWithTheErrorLine) {
    defaults.values["GlobalShortcuts_dictateOnly"] =
        R"({"carbonKeyCode":4711,"carbonModifiers":4096})";
    record(dictate);
    shortcuts.setShortcut(Shortcut(Key::f5, Modifier::Function), invoke);
    EXPECT_FALSE(shortcuts.isEnabled(dictate));
    EXPECT_FALSE(shortcuts.isEnabled(invoke));
    EXPECT_EQ(grabber.grabCount(), 0);
    EXPECT_EQ(joined(log.lines),
              joined(QStringList({"[Tavrin] Error registering hotkey Strg+\uFFFD: -2",
                                  "[Tavrin] Error registering hotkey \U0001F310\uFE0E+F5: -3"})));
}

TEST_F(NamedShortcutsTest, StreamsKeepTheCombinationUntilTheLastEnds) {
    shortcuts.setShortcut(controlK, dictate);
    auto* ups = shortcuts.events(EventType::KeyUp, dictate);
    auto* all = shortcuts.events(dictate);
    QList<EventType> upEvents;
    QList<EventType> allEvents;
    QObject::connect(ups, &GlobalShortcuts::EventStream::event,
                     [&](EventType type) { upEvents << type; });
    QObject::connect(all, &GlobalShortcuts::EventStream::event,
                     [&](EventType type) { allEvents << type; });
    press(controlK);
    release(controlK);
    EXPECT_EQ(upEvents, QList<EventType>({EventType::KeyUp}));
    EXPECT_EQ(allEvents, QList<EventType>({EventType::KeyDown, EventType::KeyUp}));

    record(dictate);
    shortcuts.removeHandler(dictate);
    EXPECT_TRUE(grabbed(controlK)) << "a stream still listens";
    delete ups;
    EXPECT_TRUE(grabbed(controlK));
    delete all;
    EXPECT_FALSE(grabbed(controlK));
}

TEST_F(NamedShortcutsTest, SwitchedOffNothingIsGrabbed) {
    shortcuts.create(invoke);
    shortcuts.setEnabled(false);
    EXPECT_FALSE(grabbed(altSpace));
    EXPECT_FALSE(shortcuts.isEnabled(invoke));
    shortcuts.setShortcut(controlK, dictate);
    EXPECT_FALSE(grabbed(controlK)) << "a new combination waits for the switch too";
    shortcuts.setEnabled(true);
    EXPECT_TRUE(grabbed(altSpace));
    EXPECT_TRUE(grabbed(controlK));
    EXPECT_TRUE(shortcuts.isEnabled(dictate));
}
