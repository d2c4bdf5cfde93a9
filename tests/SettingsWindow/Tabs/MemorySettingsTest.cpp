#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <functional>

#include "Design/StyledButton.h"
#include "SettingsWindow/Blocks/MinusButton.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/MemoryEntryRow.h"
#include "SettingsWindow/Tabs/MemorySettings.h"
#include "support/ScopedLocale.h"

namespace {

MemoryEntry entry(const QString& text, const QDateTime& date,
                  std::optional<MemoryEntry::Kind> kind = MemoryEntry::Kind::wrote) {
    MemoryEntry e;
    e.id = QUuid::createUuid();
    e.date = date;
    e.text = text;
    e.kind = kind;
    return e;
}

QStringList texts(const QList<MemoryEntry>& entries) {
    QStringList shown;
    for (const MemoryEntry& e : entries)
        shown.append(e.text);
    return shown;
}

}  // namespace

TEST(MemorySettingsTest, ShowsTheNewestActivityWithinTheRetention) {
    const QDateTime now(QDate(2026, 1, 15), QTime(9, 0), Qt::UTC);
    QList<MemoryEntry> activity{entry("gestern", now.addDays(-1)),
                                entry("vor zwei Stunden", now.addSecs(-7200))};
    for (int minute = 55; minute >= 0; minute -= 5)
        activity.append(entry(QStringLiteral("m%1").arg(minute), now.addSecs(-60 * minute)));
    const struct {
        MemoryRetention retention;
        QStringList shown;
    } cases[] = {
        {MemoryRetention::hour, {"m0", "m5", "m10", "m15", "m20", "m25", "m30", "m35"}},
        {MemoryRetention::off, {}},
        {MemoryRetention::week, {"m0", "m5", "m10", "m15", "m20", "m25", "m30", "m35"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(texts(MemorySettings::recentActivity(activity, c.retention, now)), c.shown)
            << rawValue(c.retention).toStdString();
    // From midnight on, whatever the hour.
    const QList<MemoryEntry> day{
        entry("gestern spät", QDateTime(QDate(2026, 1, 14), QTime(23, 59))),
        entry("kurz nach Mitternacht", QDateTime(QDate(2026, 1, 15), QTime(0, 1)))};
    EXPECT_EQ(texts(MemorySettings::recentActivity(day, MemoryRetention::today,
                                                   QDateTime(QDate(2026, 1, 15), QTime(23, 0)))),
              QStringList{"kurz nach Mitternacht"});
}

TEST(MemorySettingsTest, ShowsEntryTextsWithoutTheirRecordPrefixes) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"Viewed: Mail von Jana", "Mail von Jana"},
        {"User asked: kürzer", "→ kürzer"},
        {"Antwort an Jana. User asked: netter. Viewed: Mail", "Antwort an Jana. → netter. Mail"},
        {"Viewed:ohne Leerzeichen", "Viewed:ohne Leerzeichen"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemoryEntryRow::displayText(QString::fromUtf8(c.stored)),
                  QString::fromUtf8(c.shown));
    MemoryEntry withApp = entry("x", QDateTime(QDate(2026, 1, 15), QTime(9, 0)));
    withApp.app = QStringLiteral("Thunderbird");
    // The date the German way, whatever the system's locale.
    for (const QLocale& system : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        const ScopedLocale scoped(system);
        EXPECT_EQ(MemoryEntryRow::detail(withApp), "Thunderbird · 15.01.26 09:00");
    }
    withApp.app.reset();
    EXPECT_FALSE(MemoryEntryRow::detail(withApp).contains(" · "));
}

TEST(MemorySettingsTest, ClearsForgetsAndRemembers) {
    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([](auto& s) { s.activityMemory = MemoryRetention::hour; });
    const QDateTime now = coordinator.clock().now();
    MemoryStore::Data data;
    data.activity = {entry("alt", now.addSecs(-4000)),
                     entry("neu", now.addSecs(-60), std::nullopt)};
    for (int i = 0; i < 10; ++i)
        data.saved.append(entry(QStringLiteral("Notiz %1").arg(i), now.addSecs(-600 + i)));
    coordinator.memory().setData(data);
    MemorySettings tab(coordinator);
    ASSERT_EQ(tab.historyRowsShown().size(), 1);
    EXPECT_TRUE(tab.clearHistoryButton()->isVisibleTo(&tab));
    // Saved notes: all of them, newest first.
    ASSERT_EQ(tab.savedRows().size(), 10);

    tab.savedRows()[0]->forgetButton()->click();
    EXPECT_EQ(coordinator.memory().data().saved.size(), 9);
    EXPECT_EQ(coordinator.memory().data().saved.last().text, "Notiz 8");

    tab.clearHistoryButton()->click();
    EXPECT_TRUE(coordinator.memory().data().activity.isEmpty());
    EXPECT_EQ(coordinator.memory().data().saved.size(), 9);
    EXPECT_TRUE(tab.historyRowsShown().isEmpty());
    EXPECT_FALSE(tab.clearHistoryButton()->isVisibleTo(&tab));

    // Blanks only: not kept, the field keeps them and the button stays off.
    QTest::keyClicks(tab.noteField(), "   ");
    EXPECT_FALSE(tab.rememberButton()->isEnabled());
    QTest::keyClick(tab.noteField(), Qt::Key_Return);
    EXPECT_EQ(tab.noteField()->text(), "   ");
    EXPECT_EQ(coordinator.memory().data().saved.size(), 9);
    QTest::keyClicks(tab.noteField(), "Shop schließt freitags  ");
    EXPECT_TRUE(tab.rememberButton()->isEnabled());
    tab.rememberButton()->click();
    EXPECT_EQ(coordinator.memory().data().saved.last().text, "Shop schließt freitags");
    EXPECT_TRUE(tab.noteField()->text().isEmpty());

    // Switched off: the list and the field go, the notes stay.
    coordinator.settings().update([](auto& s) { s.savedMemoriesEnabled = false; });
    EXPECT_TRUE(tab.savedRows().isEmpty());
    EXPECT_TRUE(tab.noteRow()->isHidden());
    EXPECT_EQ(coordinator.memory().data().saved.size(), 10);
}

TEST(MemorySettingsTest, PrunesWhenShown) {
    FakeSettingsCoordinator coordinator;
    coordinator.settings().update([](auto& s) { s.activityMemory = MemoryRetention::hour; });
    const QDateTime now = coordinator.clock().now();
    MemoryStore::Data data;
    data.activity = {entry("alt", now.addSecs(-4000)), entry("neu", now.addSecs(-60))};
    coordinator.memory().setData(data);
    MemorySettings tab(coordinator);
    EXPECT_EQ(coordinator.memory().data().activity.size(), 2);
    tab.show();
    EXPECT_EQ(texts(coordinator.memory().data().activity), QStringList{"neu"});
}

// memory.json that could not be read is kept aside before anything the tab does replaces it.
TEST(MemorySettingsTest, KeepsAnUnreadableMemoryFileAside) {
    const struct {
        const char* name;
        std::function<void(MemorySettings&)> act;
    } cases[] = {
        {"forget", [](MemorySettings& tab) { tab.savedRows()[0]->forgetButton()->click(); }},
        {"clear", [](MemorySettings& tab) { tab.clearHistoryButton()->click(); }},
        {"remember",
         [](MemorySettings& tab) {
             QTest::keyClicks(tab.noteField(), "neu");
             tab.rememberButton()->click();
         }},
    };
    const QByteArray damaged = "{\"saved\": [ kaputt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsCoordinator coordinator;
        const QString path = coordinator.memory().fileURL();
        coordinator.memoryStore.reset();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        coordinator.memoryStore =
            std::make_unique<MemoryStore>(coordinator.dir.path(), coordinator.clock_);
        const QDateTime now = coordinator.clock().now();
        MemoryStore::Data data;
        data.activity = {entry("heute", now.addSecs(-60))};
        data.saved = {entry("Notiz", now.addSecs(-60))};
        coordinator.memory().setData(data);
        MemorySettings tab(coordinator);
        c.act(tab);
        coordinator.memory().flush();
        const QStringList kept =
            QDir(QFileInfo(path).path()).entryList({QFileInfo(path).fileName() + ".unreadable-*"});
        ASSERT_EQ(kept.size(), 1);
        QFile copy(QFileInfo(path).path() + QLatin1Char('/') + kept[0]);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), damaged);
    }
}
