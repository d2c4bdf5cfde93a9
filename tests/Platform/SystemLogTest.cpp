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

// Every line that goes through Qt's logging is a log line; the timing lines only come when
// the logging rules ask for them.
TEST(SystemLogTest, QtMessagesBecomeLogLinesAndTimingOnlyWhenAskedFor) {
    const struct {
        const char* name;
        const char* rules;  // nullptr: none set
        QByteArray written;
    } cases[] = {
        {"not asked for", nullptr, "[Tavrin] Symbol fehlt\n"},
        {"asked for", "timing.info=true",
         "[Tavrin] timing: Panel: Kontext 12 ms\n[Tavrin] Symbol fehlt\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QLoggingCategory::setFilterRules(c.rules ? QString::fromUtf8(c.rules) : QString());
        Platform::StderrSystemLog::takeQtMessages();
        const QByteArray written = captureStderr([] {
            qCInfo(timingLog, "Panel: Kontext %d ms", 12);
            qWarning("Symbol fehlt");
        });
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
        EXPECT_EQ(written, c.written);
    }
}
