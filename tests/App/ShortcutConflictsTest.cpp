#include <gtest/gtest.h>

#include <QImage>
#include <QLocale>
#include <QTest>
#include <QVBoxLayout>

#include "App/ShortcutConflictNotice.h"
#include "App/ShortcutConflicts.h"
#include "Design/Theme.h"
#include "GlobalShortcuts/Recorder.h"
#include "Platform/fake/FakeInstalledApplications.h"
#include "Platform/fake/FakeWindowManagerInfo.h"
#include "support/FakeShortcuts.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Name;
using GlobalShortcuts::Shortcut;

namespace {

const Shortcut altSpace(Key::space, Modifier::Option);
const Shortcut altShiftSpace(Key::space, Modifier::Option | Modifier::Shift);
const Shortcut controlAltT(Key::t, Modifier::Control | Modifier::Option);

class ShortcutConflictsTest : public ::testing::Test, protected FakeShortcuts {
protected:
    ShortcutConflictsTest() {
        // The warning joins the names the German way whatever the system's locale.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        windowManager.windowManager = QStringLiteral("Openbox");
    }
    ~ShortcutConflictsTest() override { QLocale::setDefault(QLocale::system()); }

    ShortcutConflicts::Services services() { return {shortcuts, applications, windowManager}; }

    const Name main{"invokeAssistant", altSpace};
    const Name dictateOnly{"dictateOnly"};
    Platform::FakeInstalledApplications applications;
    Platform::FakeWindowManagerInfo windowManager;
};

TEST_F(ShortcutConflictsTest, NamesTheProgramsThatTakeTheMainShortcut) {
    struct Case {
        const char* name;
        std::optional<Shortcut> stored;
        QSet<QString> installed;
        bool takenByAnother;
        std::optional<QString> windowManagerName;
        QStringList expected;
    };
    const Case cases[] = {
        {"removed by the user", std::nullopt, {"ulauncher.desktop"}, false, "Openbox", {}},
        {"Alt+Umschalt+Leertaste with a launcher installed",
         altShiftSpace,
         {"ulauncher.desktop"},
         false,
         "Openbox",
         {}},
        {"Alt+Leertaste, nothing installed, the grab ours", altSpace, {}, false, "Openbox", {}},
        {"Alt+Leertaste with two launchers, KRunner under both ids",
         altSpace,
         {"synapse.desktop", "org.kde.krunner.desktop", "krunner.desktop"},
         false,
         "Openbox",
         {"KRunner", "Synapse"}},
        {"Alt+Leertaste refused: the window manager as well",
         altSpace,
         {"albert.desktop"},
         true,
         "Openbox",
         {"Albert", "Openbox"}},
        {"another combination refused: no launcher, the window manager",
         controlAltT,
         {"albert.desktop"},
         true,
         "Xfwm4",
         {"Xfwm4"}},
        {"refused under a window manager without a name",
         controlAltT,
         {},
         true,
         std::nullopt,
         {"Ein anderes Programm"}},
    };
    for (const Case& c : cases) {
        FakeShortcuts fresh;
        applications.installed = c.installed;
        windowManager.windowManager = c.windowManagerName;
        if (c.takenByAnother && c.stored)
            fresh.grabber.taken.insert({c.stored->carbonKeyCode, c.stored->carbonModifiers});
        fresh.shortcuts.create(main);
        fresh.shortcuts.setShortcut(c.stored, main);
        fresh.shortcuts.onKeyDown(main, [] {});
        EXPECT_EQ(ShortcutConflicts::current({fresh.shortcuts, applications, windowManager}, main),
                  c.expected)
            << c.name;
    }
}

TEST_F(ShortcutConflictsTest, OurOwnGrabIsNoRefusal) {
    shortcuts.create(main);
    shortcuts.onKeyDown(main, [] {});
    ASSERT_TRUE(shortcuts.isEnabled(main));
    EXPECT_FALSE(ShortcutConflicts::isRefused(shortcuts, main));
    // Another program took it before the first grab: refused, also before anyone asked.
    FakeShortcuts other;
    other.grabber.taken.insert({altSpace.carbonKeyCode, altSpace.carbonModifiers});
    other.shortcuts.create(main);
    EXPECT_TRUE(ShortcutConflicts::isRefused(other.shortcuts, main));
}

TEST_F(ShortcutConflictsTest, TheSentenceJoinsTheNamesTheGermanWay) {
    EXPECT_EQ(ShortcutConflicts::message({"KRunner", "Albert", "Openbox"}, "Alt+Leertaste",
                                         QStringLiteral("Alt+Umschalt+Leertaste")),
              "KRunner, Albert und Openbox nutzt meist ebenfalls Alt+Leertaste. Dann reagiert "
              "Tavrin nicht. Wähle am besten einen anderen Kurzbefehl, z. B. "
              "Alt+Umschalt+Leertaste.");
}

// The example in the warning is a combination the user can take: never the refused one, nor
// one another program holds; with none free the sentence ends without one.
TEST_F(ShortcutConflictsTest, TheExampleIsACombinationThatIsFree) {
    const Shortcut controlAltSpace(Key::space, Modifier::Control | Modifier::Option);
    const Shortcut controlShiftSpace(Key::space, Modifier::Control | Modifier::Shift);
    const QString sentence = "Openbox nutzt meist ebenfalls %1. Dann reagiert Tavrin nicht. "
                             "Wähle am besten einen anderen Kurzbefehl%2.";
    struct Case {
        const char* name;
        Shortcut stored;
        QList<Shortcut> taken;
        QString expected;
    };
    const Case cases[] = {
        {"Alt+Leertaste refused: the usual example",
         altSpace,
         {altSpace},
         sentence.arg("Alt+Leertaste", ", z. B. Alt+Umschalt+Leertaste")},
        {"Alt+Umschalt+Leertaste refused: not itself",
         altShiftSpace,
         {altShiftSpace},
         sentence.arg("Alt+Umschalt+Leertaste", ", z. B. Strg+Alt+Leertaste")},
        {"every example taken: none",
         altShiftSpace,
         {altShiftSpace, controlAltSpace, controlShiftSpace},
         sentence.arg("Alt+Umschalt+Leertaste", "")},
    };
    for (const Case& c : cases) {
        FakeShortcuts fresh;
        for (const Shortcut& taken : c.taken)
            fresh.grabber.taken.insert({taken.carbonKeyCode, taken.carbonModifiers});
        fresh.shortcuts.create(main);
        fresh.shortcuts.setShortcut(c.stored, main);
        ShortcutConflictNotice notice({fresh.shortcuts, applications, windowManager}, main,
                                      dictateOnly);
        EXPECT_EQ(notice.text(), c.expected) << c.name;
    }
}

TEST_F(ShortcutConflictsTest, RecordingTheMainShortcutTakesItFromDictateOnly) {
    struct Case {
        const char* name;
        std::optional<Shortcut> dictateOnlyBefore;
        std::optional<Shortcut> recorded;
        std::optional<Shortcut> dictateOnlyAfter;
    };
    const Case cases[] = {
        {"the same combination", altShiftSpace, altShiftSpace, std::nullopt},
        {"another combination", controlAltT, altShiftSpace, controlAltT},
        {"the main shortcut removed", controlAltT, std::nullopt, controlAltT},
        {"no dictate-only shortcut", std::nullopt, altShiftSpace, std::nullopt},
    };
    for (const Case& c : cases) {
        FakeShortcuts fresh;
        fresh.shortcuts.setShortcut(c.dictateOnlyBefore, dictateOnly);
        ShortcutConflicts::keepDictateOnlyApart(fresh.shortcuts, dictateOnly, c.recorded);
        EXPECT_EQ(fresh.shortcuts.getShortcut(dictateOnly), c.dictateOnlyAfter) << c.name;
    }
}

TEST_F(ShortcutConflictsTest, TheNoticeGoesAsSoonAsAnotherShortcutIsRecorded) {
    applications.installed = {"ulauncher.desktop"};
    shortcuts.create(main);
    shortcuts.setShortcut(altShiftSpace, dictateOnly);
    QWidget window;
    auto* notice = new ShortcutConflictNotice(services(), main, dictateOnly, &window);
    notice->setFixedWidth(420);
    window.resize(440, 200);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->apps(), QStringList{"Ulauncher"});
    EXPECT_TRUE(notice->text().startsWith("Ulauncher nutzt meist ebenfalls Alt+Leertaste."));

    auto* control = &notice->recorder()->control();
    control->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(control, Qt::Key_Space, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(shortcuts.getShortcut(main), altShiftSpace);
    // One press would otherwise run both shortcuts.
    EXPECT_EQ(shortcuts.getShortcut(dictateOnly), std::nullopt);
    EXPECT_FALSE(notice->isVisible());

    // Back to Alt+Leertaste: the warning comes back.
    control->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(control, Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(notice->isVisible());
}

// The settings record the main shortcut in a row of their own too: the warning follows the
// stored shortcut, whoever changed it.
TEST_F(ShortcutConflictsTest, TheNoticeFollowsAShortcutRecordedElsewhere) {
    applications.installed = {"ulauncher.desktop"};
    shortcuts.create(main);
    QWidget window;
    auto* notice = new ShortcutConflictNotice(services(), main, dictateOnly, &window);
    (new QVBoxLayout(&window))->addWidget(notice);
    window.show();
    const std::pair<std::optional<Shortcut>, bool> steps[] = {
        {altShiftSpace, false}, {altSpace, true}, {std::nullopt, false}};
    for (const auto& [stored, shown] : steps) {
        shortcuts.setShortcut(stored, main);
        EXPECT_EQ(notice->isVisible(), shown);
    }
}

// The settings and the onboarding make the notice before they place it: it must not open as a
// window of its own meanwhile, and must still show once placed.
TEST_F(ShortcutConflictsTest, ANoticeMadeWithoutParentShowsOnlyOncePlaced) {
    applications.installed = {"ulauncher.desktop"};
    shortcuts.create(main);
    auto* notice = new ShortcutConflictNotice(services(), main, dictateOnly);
    EXPECT_FALSE(notice->isVisible());
    QWidget window;
    (new QVBoxLayout(&window))->addWidget(notice);
    window.show();
    EXPECT_TRUE(notice->isVisible());
}

}  // namespace
