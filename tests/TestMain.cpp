// Shared main of every test executable: a QApplication on the offscreen platform unless a
// platform is set, and a private home so that no test touches the user's files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "PrivateHome.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tavrin-test-XXXXXX"));
    if (!usePrivateHome(home))
        return 2;

    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
