#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "Memory/MemoryStore.h"
#include "Platform/fake/FakeClock.h"
#include "Settings/AssistantSettings.h"

namespace {

const QString savedHeading = "Things the user asked you to remember (use when relevant):\n";
const QString activityHeading = QStringLiteral(
    "What the user saw and wrote with your help recently (newest first). Use it ONLY when the "
    "user refers to it (\"wie eben\", \"der Post von vorhin\", \"was ich vorhin angeschaut "
    "habe\", \"remember the \u2026 from earlier\") \u2013 otherwise ignore it:\n");

// A moment of the test's local wall-clock time, as the clock reports it (in UTC).
QDateTime local(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second), Qt::LocalTime).toUTC();
}

AssistantSettings settingsWith(bool saved, MemoryRetention activity) {
    AssistantSettings settings;
    settings.savedMemoriesEnabled = saved;
    settings.activityMemory = activity;
    return settings;
}

class MemoryPromptSectionTest : public ::testing::Test {
protected:
    MemoryPromptSectionTest() {
        // Times of day read as in a German locale ("14:05").
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        clock.setNow(local(2, 14, 5));
    }
    ~MemoryPromptSectionTest() override { QLocale::setDefault(QLocale::system()); }

    QString file() const { return store.fileURL(); }
    bool fileWritten() {
        store.flush();
        return QFile::exists(file());
    }
    // The content a store started now would load.
    MemoryData reloaded() {
        store.flush();
        return MemoryStore(folder.path(), clock).data();
    }

    // Activity entries placed directly, without the pruning that recordActivity does.
    void setActivity(QList<MemoryEntry> entries) {
        MemoryData data = store.data();
        data.activity = std::move(entries);
        store.setData(data);
    }

    static MemoryEntry entryAt(const QDateTime& date, const QString& text) {
        return {QUuid::createUuid(), date, "Mail", std::nullopt, text, MemoryEntry::Kind::wrote};
    }

    QTemporaryDir folder;
    Platform::FakeClock clock;
    MemoryStore store{folder.path(), clock};
};

}  // namespace

TEST_F(MemoryPromptSectionTest, WorkedExample) {
    store.remember("Black Friday 30 % ab 27.11.", std::nullopt);
    store.recordActivity("Mail", "Angebot", "Danke, passt so.", MemoryRetention::today,
                         MemoryEntry::Kind::wrote);
    const QString expected = QStringLiteral(
        "Things the user asked you to remember (use when relevant):\n"
        "- Black Friday 30 % ab 27.11.\n"
        "\n"
        "What the user saw and wrote with your help recently (newest first). Use it ONLY when "
        "the user refers to it (\"wie eben\", \"der Post von vorhin\", \"was ich vorhin "
        "angeschaut habe\", \"remember the \u2026 from earlier\") \u2013 otherwise ignore it:\n"
        "- 14:05 in Mail (re: Angebot) \u2013 the user wrote: Danke, passt so.");
    EXPECT_EQ(store.promptSection(AssistantSettings()), expected);
}

TEST_F(MemoryPromptSectionTest, SettingsChooseTheSections) {
    store.remember("Notiz", std::nullopt);
    store.recordActivity(std::nullopt, std::nullopt, "Text", MemoryRetention::week,
                         MemoryEntry::Kind::wrote);
    const QString savedPart = savedHeading + "- Notiz";
    const QString activityPart = activityHeading + "- 14:05 \u2013 the user wrote: Text";
    struct Case {
        bool saved;
        MemoryRetention activity;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {false, MemoryRetention::off, std::nullopt},
        {true, MemoryRetention::off, savedPart},
        {false, MemoryRetention::hour, activityPart},
        {true, MemoryRetention::week, savedPart + "\n\n" + activityPart},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.promptSection(settingsWith(c.saved, c.activity)), c.expected)
            << c.saved << " " << rawValue(c.activity).toStdString();
    }

    MemoryStore empty(folder.path() + "/other", clock);
    EXPECT_EQ(empty.promptSection(AssistantSettings()), std::nullopt);
}

TEST_F(MemoryPromptSectionTest, ListsTheNewest30SavedOldestFirst) {
    for (int i = 1; i <= 35; ++i)
        store.remember(QStringLiteral("Notiz %1").arg(i), "Mail");
    QString expected = savedHeading;
    for (int i = 6; i <= 35; ++i)
        expected += QStringLiteral("- Notiz %1").arg(i) + (i < 35 ? "\n" : "");
    EXPECT_EQ(store.promptSection(settingsWith(true, MemoryRetention::off)), expected);
    EXPECT_EQ(store.data().saved.size(), 35);
}

TEST_F(MemoryPromptSectionTest, ListsTheNewest16RecentActivitiesNewestFirst) {
    QList<MemoryEntry> entries;
    // Two entries from before the start of the day, then 20 from today.
    entries.append(entryAt(local(1, 23, 0), "gestern"));
    entries.append(entryAt(local(1, 23, 59, 59), "gestern"));
    for (int i = 0; i < 20; ++i)
        entries.append(entryAt(local(2, 8, 10 + i), QStringLiteral("heute %1").arg(i)));
    setActivity(entries);

    QString expected = activityHeading;
    for (int i = 19; i >= 4; --i) {
        expected +=
            QStringLiteral("- 08:%1 in Mail \u2013 the user wrote: heute %2").arg(10 + i).arg(i) +
            (i > 4 ? "\n" : "");
    }
    EXPECT_EQ(store.promptSection(settingsWith(false, MemoryRetention::today)), expected);
}

TEST_F(MemoryPromptSectionTest, ActivityLines) {
    const QDateTime at = local(2, 9, 30);
    struct Case {
        std::optional<QString> app;
        std::optional<QString> context;
        QString text;
        std::optional<MemoryEntry::Kind> kind;
        QString line;
    };
    const Case cases[] = {
        {"Safari", "Artikel", "Zeile 1\nZeile 2\nZeile 3", MemoryEntry::Kind::viewed,
         "- 09:30 in Safari (re: Artikel) \u2013 the user looked at this with you:\n"
         "  Zeile 1\n  Zeile 2\n  Zeile 3"},
        {"Mail", std::nullopt, "Zeile 1\nZeile 2\nZeile 3", MemoryEntry::Kind::wrote,
         "- 09:30 in Mail \u2013 the user wrote: Zeile 1\nZeile 2\nZeile 3"},
        {"Mail", " \n\t", "Hallo", MemoryEntry::Kind::wrote,
         "- 09:30 in Mail \u2013 the user wrote: Hallo"},
        {"Mail", " Angebot ", "Hallo", std::nullopt,
         "- 09:30 in Mail (re:  Angebot ) \u2013 the user wrote: Hallo"},
        {"", "", "Hallo", MemoryEntry::Kind::wrote, "- 09:30 in  \u2013 the user wrote: Hallo"},
        {std::nullopt, "Thema", "Hallo", MemoryEntry::Kind::viewed,
         "- 09:30 (re: Thema) \u2013 the user looked at this with you:\n  Hallo"},
    };
    for (const Case& c : cases) {
        setActivity({{QUuid::createUuid(), at, c.app, c.context, c.text, c.kind}});
        EXPECT_EQ(store.promptSection(settingsWith(false, MemoryRetention::week)),
                  activityHeading + c.line)
            << c.line.toStdString();
    }
}

// "today" keeps an entry until midnight, even when nothing prunes it.
TEST_F(MemoryPromptSectionTest, TodayRetentionEndsAtMidnight) {
    const AssistantSettings settings = settingsWith(false, MemoryRetention::today);
    clock.setNow(local(2, 23, 50));
    store.recordActivity("Mail", std::nullopt, "Gute Nacht", MemoryRetention::today,
                         MemoryEntry::Kind::wrote);

    clock.advance(std::chrono::minutes(9));
    EXPECT_EQ(store.promptSection(settings),
              activityHeading + "- 23:50 in Mail \u2013 the user wrote: Gute Nacht");

    clock.advance(std::chrono::minutes(2));
    EXPECT_EQ(store.promptSection(settings), std::nullopt);
    EXPECT_EQ(store.data().activity.size(), 1);

    store.prune(MemoryRetention::today);
    EXPECT_TRUE(store.data().activity.isEmpty());
}

TEST_F(MemoryPromptSectionTest, CutoffPerRetention) {
    const QDateTime now = clock.now();
    struct Case {
        MemoryRetention retention;
        QDateTime cutoff;
    };
    const Case cases[] = {
        {MemoryRetention::off, now.addSecs(1)},
        {MemoryRetention::hour, now.addSecs(-3600)},
        {MemoryRetention::today, local(2, 0, 0)},
        {MemoryRetention::week, now.addSecs(-604800)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MemoryStore::cutoff(c.retention, now), c.cutoff)
            << rawValue(c.retention).toStdString();

        // An entry exactly at the cut-off is still recent; one a second earlier is not.
        setActivity({entryAt(c.cutoff.addSecs(-1), "alt"), entryAt(c.cutoff, "neu")});
        store.prune(c.retention);
        ASSERT_EQ(store.data().activity.size(), 1);
        EXPECT_EQ(store.data().activity.at(0).text, "neu");
    }
}

TEST_F(MemoryPromptSectionTest, PruneWritesOnlyWhenItRemovesSomething) {
    setActivity(
        {entryAt(clock.now().addSecs(-7200), "alt"), entryAt(clock.now().addSecs(-60), "neu")});
    QSignalSpy changed(&store, &MemoryStore::dataChanged);

    store.prune(MemoryRetention::week);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(fileWritten());

    store.prune(MemoryRetention::hour);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(store.data().activity.size(), 1);
    EXPECT_TRUE(fileWritten());
}

TEST_F(MemoryPromptSectionTest, RecordActivity) {
    const MemoryEntry old = entryAt(clock.now().addSecs(-7200), "alt");
    setActivity({old});

    // Retention off records nothing and leaves old activity alone; blank text is ignored.
    store.recordActivity("Mail", std::nullopt, "neu", MemoryRetention::off,
                         MemoryEntry::Kind::wrote);
    store.recordActivity("Mail", std::nullopt, " \n", MemoryRetention::hour,
                         MemoryEntry::Kind::wrote);
    EXPECT_EQ(store.data().activity, QList<MemoryEntry>{old});
    EXPECT_FALSE(fileWritten());

    // Any other retention drops what it no longer keeps before recording.
    const QString context = QString(299, QLatin1Char('c')) + "\u00e9\u00e9";
    const QString text = QString(2001, QLatin1Char('t'));
    store.recordActivity("Safari", context, text, MemoryRetention::hour, MemoryEntry::Kind::viewed);
    ASSERT_EQ(store.data().activity.size(), 1);
    const MemoryEntry& entry = store.data().activity.at(0);
    EXPECT_EQ(entry.app, "Safari");
    EXPECT_EQ(entry.context, context.left(300));
    EXPECT_EQ(entry.text, text.left(2000));
    EXPECT_EQ(entry.kind, MemoryEntry::Kind::viewed);
    EXPECT_EQ(entry.date, clock.now());

    EXPECT_EQ(reloaded(), store.data());
}

TEST_F(MemoryPromptSectionTest, The61stActivityPushesOutTheOldest) {
    for (int i = 1; i <= 61; ++i) {
        store.recordActivity("Mail", std::nullopt, QStringLiteral("Text %1").arg(i),
                             MemoryRetention::week, MemoryEntry::Kind::wrote);
    }
    ASSERT_EQ(store.data().activity.size(), 60);
    EXPECT_EQ(store.data().activity.first().text, "Text 2");
    EXPECT_EQ(store.data().activity.last().text, "Text 61");
    EXPECT_EQ(reloaded().activity.size(), 60);
}
