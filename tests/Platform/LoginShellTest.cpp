#include <gtest/gtest.h>

#include <QFileInfo>

#include "Platform/LoginShell.h"

TEST(LoginShellTest, OnlyPosixShellsFromThePasswordDatabaseAreUsed) {
    const auto everythingExists = [](const QString&) { return true; };
    const auto nothingExists = [](const QString&) { return false; };
    struct Case {
        const char* databaseShell;
        bool exists;
        const char* expected;
    };
    const Case cases[] = {
        {"/bin/zsh", true, "/bin/zsh"},       {"/usr/bin/zsh", true, "/usr/bin/zsh"},
        {"/bin/dash", true, "/bin/dash"},     {"/bin/ksh", true, "/bin/ksh"},
        {"/bin/sh", true, "/bin/sh"},         {"/usr/local/bin/bash", true, "/usr/local/bin/bash"},
        {"/usr/bin/fish", true, "/bin/bash"}, {"/bin/csh", true, "/bin/bash"},
        {"/bin/tcsh", true, "/bin/bash"},     {"/usr/sbin/nologin", true, "/bin/bash"},
        {"zsh", true, "/bin/bash"},           {"", true, "/bin/bash"},
        {"/bin/zsh", false, "/bin/bash"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Platform::LoginShell::choose(c.databaseShell,
                                               c.exists ? everythingExists : nothingExists),
                  c.expected)
            << c.databaseShell;
}

TEST(LoginShellTest, ThisUsersShellIsExecutable) {
    const QFileInfo shell(Platform::LoginShell::path());
    EXPECT_TRUE(shell.isExecutable()) << shell.filePath().toStdString();
}
