#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "App/SingleInstance.h"
#include "support/Files.h"

using namespace std::chrono_literals;

namespace {

QProcessEnvironment environmentFor(const QTemporaryDir& runtime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

}  // namespace

TEST(SingleInstanceTest, SecondClaimHandsReopenToTheFirst) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    SingleInstance first(path);
    ASSERT_EQ(first.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);

    SingleInstance second(path);
    EXPECT_EQ(second.claim(), SingleInstance::Role::Secondary);
    EXPECT_TRUE(reopened.wait(2000));
}

TEST(SingleInstanceTest, StaleSocketFileDoesNotBlockTheFirstStart) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    writeFile(path);
    SingleInstance instance(path);
    EXPECT_EQ(instance.claim(100ms), SingleInstance::Role::Primary);
}

TEST(TavrinProcessTest, SecondStartAsksTheFirstAndExits) {
    QTemporaryDir runtime;
    QProcess first;
    first.setProcessEnvironment(environmentFor(runtime));
    first.start(TAVRIN_EXECUTABLE, {});
    ASSERT_TRUE(first.waitForStarted());
    const QString socket = runtime.path() + "/org.tavrin.Tavrin.socket";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000))
        << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(environmentFor(runtime));
    second.start(TAVRIN_EXECUTABLE, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    first.waitForFinished(5000);
}

TEST(TavrinProcessTest, WithoutADisplayItExplainsInGerman) {
    struct Case {
        const char* display;
        const char* expected;
    };
    const Case cases[] = {
        {"", "Tavrin braucht eine X11-Sitzung: Es ist keine Anzeige gesetzt (DISPLAY ist leer)."},
        {":4711", "Tavrin braucht eine X11-Sitzung: Die Anzeige „:4711“ ist nicht erreichbar."},
    };
    for (const Case& c : cases) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        env.insert("DISPLAY", c.display);
        process.setProcessEnvironment(env);
        process.start(TAVRIN_EXECUTABLE, {});
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()).trimmed(),
                  QString::fromUtf8(c.expected));
    }
}
