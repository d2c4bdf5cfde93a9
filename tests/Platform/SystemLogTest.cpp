#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryFile>

#include "Platform/linux/StderrSystemLog.h"
#include "support/Files.h"

namespace {
// Runs `body` with standard error going to a file and returns what it wrote.
template <typename Body>
QByteArray captureStderr(Body body) {
    QTemporaryFile file;
    EXPECT_TRUE(file.open());
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    body();
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return readFile(file.fileName());
}
}  // namespace

TEST(SystemLogTest, WritesOnePrefixedLineAndTreatsTheMessageAsData) {
    Platform::StderrSystemLog log;
    const QByteArray written =
        captureStderr([&] { log.log("Einstellungen nicht gespeichert: %s %n %d – Ärger"); });
    EXPECT_EQ(
        written,
        QStringLiteral("[Tavrin] Einstellungen nicht gespeichert: %s %n %d – Ärger\n").toUtf8());
}
