#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "App/TrayIcon.h"

namespace {

QProcessEnvironment xcbEnvironment(const QTemporaryDir& runtime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.remove("QT_QPA_PLATFORM");
    return env;
}

QByteArray output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return process.readAllStandardOutput();
}

}  // namespace

// On a real X server: Tavrin started before any tray says so once; a tray that starts later
// takes its icon; a second start then only says that Tavrin runs.
TEST(TrayX11Test, ATrayStartedLaterTakesTheIcon) {
    QTemporaryDir runtime;
    QProcess first;
    first.setProcessEnvironment(xcbEnvironment(runtime));
    first.start(TAVRIN_EXECUTABLE, {});
    const QByteArray told = "[Tavrin] " + TrayIcon::noTrayMessage().toUtf8() + "\n";
    QByteArray firstSaid;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            firstSaid += first.readAllStandardError();
            return firstSaid.contains(told);
        },
        10000));

    QProcess trayer;
    trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                            "200", "--height", "32"});
    ASSERT_TRUE(trayer.waitForStarted());
    // The tray window gets Tavrin's icon window as a child.
    const auto docked = [] {
        const QByteArray tree = output("xwininfo", {"-root", "-tree"});
        const qsizetype panel = tree.indexOf("(\"panel\" \"trayer\")");
        return panel >= 0 && tree.indexOf("(\"tavrin\" \"Tavrin\")", panel) > panel;
    };
    EXPECT_TRUE(QTest::qWaitFor(docked, 10000));

    QProcess second;
    second.setProcessEnvironment(xcbEnvironment(runtime));
    second.start(TAVRIN_EXECUTABLE, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardError()), "Tavrin läuft bereits.\n");

    trayer.kill();
    trayer.waitForFinished(5000);
    first.terminate();
    first.waitForFinished(5000);
    firstSaid += first.readAllStandardError();
    EXPECT_EQ(firstSaid.count(told), 1) << firstSaid.toStdString();
}
