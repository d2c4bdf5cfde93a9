#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <QProcess>
#include <QTest>
#include <csignal>
#include <cstdlib>

#include "X11InserterDesk.h"
#include "support/Programs.h"
#include "support/TestWindows.h"
#include "support/XcbPlatform.h"

using namespace Platform;

namespace {

constexpr quint8 controlKey = 37;
constexpr quint8 vKey = 55;
constexpr quint8 menuKey = 135;

// The inserter on a desktop whose keyboard has two layouts, one of them locked as a layout
// switch leaves it; the user's keys go out by key code, as a keyboard sends them.
class KeyboardLayoutsX11Test : public ::testing::Test, protected X11InserterDesk {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(startWindowManager(windowManager));
    }

    void TearDown() override {
        runProgram("setxkbmap", {"-layout", "us"});
        for (QProcess* process : {&window, &windowManager}) {
            if (process->processId() > 0)
                ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    // `layouts` ("us,fr"), with `variants` (",dvorak"), and the group `locked` in force.
    void useLayouts(const QString& layouts, const QString& variants, int locked) {
        QStringList arguments{"-layout", layouts};
        if (!variants.isEmpty())
            arguments << "-variant" << variants;
        runProgram("setxkbmap", arguments);
        xcb_connection_t* c = connection->connection();
        std::free(xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), nullptr));
        xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, quint8(locked), 0, 0, 0);
        // A round trip: the server has the new group once it answers.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }

    // Presses `keys` in order and lets them go in reverse, by key code.
    void press(std::initializer_list<quint8> keys) {
        xcb_connection_t* c = connection->connection();
        for (const quint8 key : keys)
            xcb_test_fake_input(c, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            xcb_test_fake_input(c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        connection->flush();
        QTest::qWait(300);
    }

    // A window of `program` with its field focused, the active window once this returns.
    RunningApplication open(const QString& program, const QString& windowClass,
                            const QStringList& arguments = {}, bool offTheBus = false) {
        if (offTheBus)
            qputenv("NO_AT_BRIDGE", "1");
        RunningApplication target;
        target.windowId = startTestWindow(window, program, arguments);
        qunsetenv("NO_AT_BRIDGE");
        target.windowInstance = target.windowClass = windowClass;
        target.processIdentifier = static_cast<qint32>(window.processId());
        EXPECT_TRUE(QTest::qWaitFor([&] { return windows.isActive(target); }, 5000));
        return target;
    }

    TextInserter::Insertion insert(const QString& text, const RunningApplication& target) {
        std::optional<TextInserter::Insertion> done;
        inserter.insert(text, target, false,
                        [&](const TextInserter::Insertion& insertion) { done = insertion; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 8000));
        return done.value_or(TextInserter::Insertion{});
    }

    // Whether the window prints `expected` within `ms`; what it printed is gathered in `shown`.
    bool printedSoon(const QByteArray& expected, int ms = 3000) {
        return QTest::qWaitFor(
            [&] { return (shown += window.readAllStandardOutput()).contains(expected); }, ms);
    }

    QProcess windowManager;
    QProcess window;
    QByteArray shown;
};

// Tavrin's paste and undo keys are the letters it means in the group the user has locked: with
// a second layout the lowest key code that carries the letter is another letter there
// (Control+W for the undo closed a browser window; Control+K for the paste with Dvorak pasted
// nothing). A group that has no Latin letters gets the key programs match their shortcuts on.
TEST_F(KeyboardLayoutsX11Test, ThePasteAndTheUndoAreTheKeysTheyMeanInTheGroupInForce) {
    struct Case {
        const char* layouts;
        const char* variants;
        int locked;
    };
    const Case cases[] = {
        {"us,fr", "", 0}, {"us,fr", "", 1}, {"us,de", "", 0}, {"de,us", "", 1},
        {"us,us", ",dvorak", 1}, {"ru,us", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.layouts) + " " + c.variants + " group " +
                     std::to_string(c.locked));
        window.terminate();
        window.waitForFinished(3000);
        shown.clear();
        useLayouts(c.layouts, c.variants, c.locked);
        xclipIn("Vorher");
        const RunningApplication target =
            open(QStringLiteral(TAVRIN_LINE_EDIT_WINDOW), "OutputLineEditWindow");
        if (HasFatalFailure())
            return;
        EXPECT_TRUE(insert("Hallo", target).pasted);
        EXPECT_TRUE(printedSoon("text Hallo")) << shown.toStdString();
        shown.clear();
        ASSERT_TRUE(inserter.sendKey(VirtualKey::Z, EventFlag::Command));
        EXPECT_TRUE(printedSoon("text \n")) << "the undo did not undo: " << shown.toStdString();
        EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
    }
}

// With a first layout that is not Latin, the user's own Control+V after an insertion that only
// the fetch proved is seen as a paste in either group, and gets what the user copied; so does a
// paste from the context menu opened with the Menu key.
TEST_F(KeyboardLayoutsX11Test, TheUsersOwnPasteIsSeenInEveryGroupAndFromAKeyboardMenu) {
    struct Case {
        const char* name;
        const char* layouts;
        int locked;
        bool fromMenu;
    };
    const Case cases[] = {
        {"ru,us with Russian locked", "ru,us", 0, false},
        {"ru,us with US locked", "ru,us", 1, false},
        {"gr,us with Greek locked", "gr,us", 0, false},
        {"the Menu key's Paste", "us", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.terminate();
        window.waitForFinished(3000);
        shown.clear();
        useLayouts(c.layouts, "", c.locked);
        xclipIn("Vorher");
        // Off the accessibility bus, a GTK entry's paste is proved by the fetch alone.
        qputenv("LC_ALL", "C");
        const RunningApplication target =
            open(QStringLiteral(TAVRIN_GTK_CHAT_ENTRY), "gtk-chat-entry-window.py", {}, true);
        qunsetenv("LC_ALL");
        if (HasFatalFailure())
            return;
        EXPECT_TRUE(insert("Entwurf", target).pasted);
        ASSERT_TRUE(printedSoon("text \"Entwurf\"")) << shown.toStdString();
        if (c.fromMenu) {
            press({menuKey});
            // "_Paste" in the entry's menu.
            runProgram("xdotool", {"key", "p"});
        } else {
            press({controlKey, vKey});
        }
        EXPECT_TRUE(printedSoon("text \"EntwurfVorher\"")) << shown.toStdString();
        EXPECT_FALSE(shown.contains("EntwurfEntwurf")) << shown.toStdString();
        EXPECT_EQ(xclipOut(), QByteArray("Vorher"));
    }
}

}  // namespace
