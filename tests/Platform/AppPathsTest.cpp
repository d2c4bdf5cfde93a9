#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "Platform/AppPaths.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

namespace AppPaths = Platform::AppPaths;

TEST(AppPathsTest, DataFolderUnderXdgDataHomeIsPrivateAndStaysSo) {
    QTemporaryDir root;
    ScopedEnv data("XDG_DATA_HOME", root.path() + "/data");
    const auto folder = AppPaths::dataFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, root.path() + "/data/" + AppPaths::applicationId());
    EXPECT_TRUE(QDir(*folder).exists());
    EXPECT_EQ(modeOf(*folder), 0700u);

    // An existing folder others could look into is tightened.
    ::chmod(QFile::encodeName(*folder).constData(), 0755);
    ASSERT_TRUE(AppPaths::dataFolder());
    EXPECT_EQ(modeOf(*folder), 0700u);
}

TEST(AppPathsTest, FallsBackToHomeWhenXdgIsUnsetOrRelative) {
    QTemporaryDir home;
    ScopedEnv homeVar("HOME", home.path());
    for (const char* value : {"", "relative/data"}) {
        ScopedEnv data("XDG_DATA_HOME", QString::fromLatin1(value));
        ScopedEnv config("XDG_CONFIG_HOME", QString::fromLatin1(value));
        EXPECT_EQ(AppPaths::dataFolder().value_or(QString()),
                  home.path() + "/.local/share/" + AppPaths::applicationId());
        EXPECT_EQ(AppPaths::configHome(), home.path() + "/.config");
    }
}

TEST(AppPathsTest, HomeComesFromPasswordDatabaseWithoutHome) {
    ScopedEnv homeVar("HOME", QString());
    EXPECT_FALSE(AppPaths::homeFolder().isEmpty());
    EXPECT_TRUE(QDir::isAbsolutePath(AppPaths::homeFolder()));
}

TEST(AppPathsTest, UnwritableParentGivesNone) {
    ScopedEnv data("XDG_DATA_HOME", "/proc/tavrin-cannot-be-here");
    EXPECT_FALSE(AppPaths::dataFolder());
}
