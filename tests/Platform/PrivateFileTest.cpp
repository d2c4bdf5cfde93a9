#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

#include "Platform/PrivateFile.h"
#include "support/Files.h"

TEST(PrivateFileTest, ReplacesWholeAndPrivateOrLeavesTheOldFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath("data.json");
    writeFile(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0644);

    EXPECT_EQ(Platform::PrivateFile::write(path, "new"), std::nullopt);
    EXPECT_EQ(readFile(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_TRUE(Platform::PrivateFile::write(folder.filePath("missing/data.json"), "x"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.json"});
}

// Settings kept in a folder of dotfiles and linked into place stay linked.
TEST(PrivateFileTest, ALinkStaysAndItsTargetIsReplaced) {
    QTemporaryDir folder;
    const QString target = folder.filePath("dotfiles/settings.json");
    const QString link = folder.filePath("settings.json");
    writeFile(target, "old");
    ASSERT_TRUE(QFile::link(target, link));

    EXPECT_EQ(Platform::PrivateFile::write(link, "new"), std::nullopt);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"dotfiles", "settings.json"}));
}
