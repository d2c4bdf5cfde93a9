#include "Platform/PrivateFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

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
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"data.json"});
}
