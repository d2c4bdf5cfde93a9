#include <gtest/gtest.h>
#include <unistd.h>

#include <QtConcurrent>

#include "Platform/PasswordDatabase.h"

namespace PasswordDatabase = Platform::PasswordDatabase;

TEST(PasswordDatabaseTest, LooksUpByIdAndByName) {
    EXPECT_EQ(PasswordDatabase::forUser(0).value_or(PasswordDatabase::Entry{}).home, "/root");
    EXPECT_EQ(PasswordDatabase::forName("root").value_or(PasswordDatabase::Entry{}).home, "/root");
    EXPECT_FALSE(PasswordDatabase::forName("tavrin-no-such-user"));
    EXPECT_FALSE(PasswordDatabase::forName(""));
}

TEST(PasswordDatabaseTest, ManyThreadsGetTheirOwnAnswers) {
    const auto mine = PasswordDatabase::forUser(getuid());
    ASSERT_TRUE(mine);
    QList<int> work(64);
    const QList<QString> homes = QtConcurrent::blockingMapped(work, [](int) {
        return PasswordDatabase::forUser(getuid()).value_or(PasswordDatabase::Entry{}).home;
    });
    for (const QString& home : homes)
        EXPECT_EQ(home, mine->home);
}
