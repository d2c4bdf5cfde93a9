#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryFile>

#include "Platform/fake/FakeSystemLog.h"
#include "Platform/linux/StderrSystemLog.h"

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
    QFile reader(file.fileName());
    EXPECT_TRUE(reader.open(QIODevice::ReadOnly));
    return reader.readAll();
}
}  // namespace

TEST(SystemLogTest, WritesOnePrefixedLineAndTreatsTheMessageAsData) {
    Platform::StderrSystemLog log;
    const QByteArray written = captureStderr([&] {
        log.log(QStringLiteral("Einstellungen nicht gespeichert: %s %n %d – Ärger"));
    });
    EXPECT_EQ(written, QStringLiteral("[Tavrin] Einstellungen nicht gespeichert: %s %n %d – Ärger\n")
                           .toUtf8());
}

TEST(SystemLogTest, FakeKeepsLinesInOrderWithThePrefix) {
    Platform::FakeSystemLog log;
    log.log(QStringLiteral("eins"));
    log.log(QStringLiteral("zwei"));
    EXPECT_EQ(log.lines, (QStringList{"[Tavrin] eins", "[Tavrin] zwei"}));
}
