#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/fake/FakeHotKeyGrabber.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserNotices.h"
#include "Platform/linux/QSettingsUserDefaults.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Name;
using GlobalShortcuts::Shortcut;

namespace {

const Shortcut storedAltSpace(Key::space, Modifier::Option);

// One start of the program: the shortcuts read from the INI file under XDG_CONFIG_HOME.
struct Start {
    explicit Start(const QString& file) : defaults(file) {}
    Platform::QSettingsUserDefaults defaults;
    Platform::FakeHotKeyGrabber grabber;
    Platform::FakeSystemLog log;
    GlobalShortcuts::NamedShortcuts shortcuts{defaults, grabber, log};
};

class StorageTest : public ::testing::Test {
protected:
    QString file() const { return config.path() + "/tavrin/shortcuts.ini"; }
    QVariant stored(const QString& key) const {
        return QSettings(file(), QSettings::IniFormat).value(key);
    }

    QTemporaryDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.path()};
    const Name invoke{"invokeAssistant", storedAltSpace};
    const Name dictate{"dictateOnly"};
};

}  // namespace

TEST_F(StorageTest, TheDefaultIsWrittenOnceWithOneNotification) {
    {
        Start first(file());
        QSignalSpy changed(&first.shortcuts,
                           &GlobalShortcuts::NamedShortcuts::shortcutByNameDidChange);
        first.shortcuts.create(invoke);
        first.shortcuts.create(invoke);
        EXPECT_EQ(changed.size(), 1);
        EXPECT_TRUE(first.grabber.isGrabbed(49, 2048));
    }
    EXPECT_EQ(stored("GlobalShortcuts_invokeAssistant").toString(),
              R"({"carbonKeyCode":49,"carbonModifiers":2048})");
    Start second(file());
    QSignalSpy changed(&second.shortcuts,
                       &GlobalShortcuts::NamedShortcuts::shortcutByNameDidChange);
    second.shortcuts.create(invoke);
    EXPECT_EQ(changed.size(), 0);
    EXPECT_EQ(second.shortcuts.getShortcut(invoke), storedAltSpace);
}

TEST_F(StorageTest, AClearedShortcutStaysClearedAcrossARestart) {
    {
        Start first(file());
        first.shortcuts.create(invoke);
        first.shortcuts.setShortcut(Shortcut(Key::k, Modifier::Control), dictate);
        first.shortcuts.setShortcut(std::nullopt, invoke);
        first.shortcuts.setShortcut(std::nullopt, dictate);
        QSignalSpy changed(&first.shortcuts,
                           &GlobalShortcuts::NamedShortcuts::shortcutByNameDidChange);
        first.shortcuts.setShortcut(std::nullopt, invoke);
        EXPECT_EQ(changed.size(), 0) << "clearing nothing says nothing";
    }
    Start second(file());
    second.shortcuts.create(invoke);
    second.shortcuts.create(dictate);
    EXPECT_EQ(second.shortcuts.getShortcut(invoke), std::nullopt);
    EXPECT_EQ(second.shortcuts.getShortcut(dictate), std::nullopt);
    EXPECT_FALSE(second.defaults.contains("GlobalShortcuts_dictateOnly"));
    EXPECT_EQ(second.grabber.grabCount(), 0);
}

TEST_F(StorageTest, GarbageBlocksTheDefaultAndSurvivesResetAll) {
    {
        QSettings settings(file(), QSettings::IniFormat);
        settings.setValue("GlobalShortcuts_invokeAssistant", "{not a shortcut");
        settings.setValue("GlobalShortcuts_old", R"({"carbonKeyCode":0,"carbonModifiers":256})");
        settings.setValue("GlobalShortcuts_removed", false);
        settings.setValue("other", 1);
    }
    Start start(file());
    start.shortcuts.create(invoke);
    EXPECT_EQ(start.shortcuts.getShortcut(invoke), std::nullopt);
    EXPECT_EQ(start.grabber.grabCount(), 0);

    QStringList names;
    for (const Name& name : start.shortcuts.allNames())
        names << name.rawValue;
    names.sort();
    EXPECT_EQ(names, QStringList({"invokeAssistant", "old", "removed"}));

    start.shortcuts.resetAll();
    EXPECT_FALSE(start.defaults.contains("GlobalShortcuts_old"));
    EXPECT_TRUE(start.defaults.contains("GlobalShortcuts_removed"));
    EXPECT_TRUE(start.defaults.contains("GlobalShortcuts_invokeAssistant"));
}

// The file is written whole and private by Tavrin itself, and QSettings, which reads it at the
// next start (and read the files of earlier versions), gets back every text as it was stored:
// these are the texts a naive INI line would break.
TEST_F(StorageTest, WhatIsWrittenReadsBackThroughQSettingsAndStaysPrivate) {
    const struct {
        const char* what;
        QVariant value;
        QVariant readBack;
    } cases[] = {
        {"a shortcut: quotes and a comma", R"({"carbonKeyCode":49,"carbonModifiers":2048})",
         R"({"carbonKeyCode":49,"carbonModifiers":2048})"},
        {"a removed shortcut", false, "false"},
        {"QSettings' own type mark", "@Variant(x)", "@Variant(x)"},
        {"spaces at both ends", "  a  ", "  a  "},
        {"semicolon and equals sign", "a;b=c", "a;b=c"},
        {"backslash", R"(C:\pfad\"x")", R"(C:\pfad\"x")"},
        {"line breaks and tabs", "eins\nzwei\tdrei\r", "eins\nzwei\tdrei\r"},
        {"a control character before a hex digit", QString("\x01") + "Ab", QString("\x01") + "Ab"},
        {"umlauts and an emoji", "Grüße 👋", "Grüße 👋"},
        {"empty", "", ""},
        {"a list, as an unquoted comma in a hand-written file reads", QStringList{"a", "b, \"c\""},
         QStringList{"a", "b, \"c\""}},
    };
    {
        Start start(file());
        for (int i = 0; i < int(std::size(cases)); ++i)
            start.defaults.setValue(QString("key%1").arg(i), cases[i].value);
        EXPECT_TRUE(start.log.lines.isEmpty());
    }
    EXPECT_EQ(modeOf(file()), 0600u);
    const QSettings settings(file(), QSettings::IniFormat);
    EXPECT_EQ(settings.status(), QSettings::NoError);
    EXPECT_EQ(settings.allKeys().size(), int(std::size(cases)));
    for (int i = 0; i < int(std::size(cases)); ++i)
        EXPECT_EQ(settings.value(QString("key%1").arg(i)), cases[i].readBack) << cases[i].what;
}

// Something at the file's place that cannot be read (here a folder) is kept aside at start and
// the user told where; the shortcuts then start from their defaults and are saved again.
TEST_F(StorageTest, AFileThatCannotBeReadIsKeptAsideAndTold) {
    ASSERT_TRUE(QDir().mkpath(file() + "/innen"));
    Platform::FakeSystemLog log;
    Platform::FakeUserNotices notices;
    Platform::QSettingsUserDefaults defaults(file(), &log, &notices);
    const QStringList kept =
        QDir(config.path() + "/tavrin").entryList({"shortcuts.ini.unreadable-*"}, QDir::Dirs);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(config.path() + "/tavrin/" + kept.first() + "/innen"));
    ASSERT_EQ(notices.told.size(), 1);
    EXPECT_TRUE(notices.told.first().contains(kept.first())) << notices.told.first().toStdString();

    defaults.setValue("GlobalShortcuts_invokeAssistant", "x");
    EXPECT_EQ(stored("GlobalShortcuts_invokeAssistant").toString(), "x");
    EXPECT_EQ(notices.told.size(), 1);
}
