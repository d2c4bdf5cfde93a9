#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "Design/StyledButton.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/WmClassTerminalWindows.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11Compositor.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/XTestKeySender.h"
#include "Platform/linux/XcbConnection.h"
#include "X11InserterDesk.h"
#include "support/Programs.h"
#include "support/TestWindows.h"
#include "support/XcbPlatform.h"

using namespace Platform;

namespace {

// The toast on a real desktop: openbox, the line-edit window as the field the text went into.
class UndoToastX11Test : public ::testing::Test, protected X11InserterDesk {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(startWindowManager(windowManager));
        lineEdit.windowId =
            startTestWindow(lineEditWindow, QStringLiteral(TAVRIN_LINE_EDIT_WINDOW));
        ASSERT_NE(lineEdit.windowId, 0u);
        lineEdit.windowInstance = lineEdit.windowClass = "OutputLineEditWindow";
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                windows.activate(lineEdit);
                return windows.isActive(lineEdit);
            },
            5000));
    }

    void TearDown() override {
        for (QProcess* process : {&lineEditWindow, &windowManager}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    QByteArray nextText() {
        if (!QTest::qWaitFor([&] { return lineEditWindow.canReadLine(); }, 3000))
            return "(nothing)";
        return lineEditWindow.readLine().trimmed();
    }

    X11Compositor compositor{connection};
    WmClassTerminalWindows terminals;
    UndoToast toast{{clock, inserter, windows, terminals, &compositor}};

    QProcess windowManager;
    QProcess lineEditWindow;
    RunningApplication lineEdit;
};

TEST_F(UndoToastX11Test, ShowsWithoutTakingTheFocusAndUndoesTheInsertion) {
    bool inserted = false;
    inserter.insert("Hallo Welt", lineEdit, false,
                    [&](const TextInserter::Insertion&) { inserted = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return inserted; }, 5000));
    ASSERT_EQ(nextText(), QByteArray("text Hallo Welt"));

    toast.show(QRectF(40, 60, 320, 40), lineEdit);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(toast.window()));
    QTest::qWait(300);
    // The user keeps typing where they were.
    EXPECT_TRUE(windows.isActive(lineEdit));
    EXPECT_EQ(toast.window()->pos(), QPoint(40, 110));
    runProgram("import", {"-window", "root", TAVRIN_BINARY_DIR "/undo-toast-x11.png"});

    // A real click through the X server, as the user makes it.
    const QPoint button =
        toast.view()->undoButton()->mapToGlobal(toast.view()->undoButton()->rect().center());
    runProgram("xdotool", {"mousemove", QString::number(button.x()), QString::number(button.y()),
                           "click", "1"});
    EXPECT_EQ(nextText(), QByteArray("text"));
    EXPECT_TRUE(windows.isActive(lineEdit));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !toast.window()->isVisible(); }, 2000));
}

}  // namespace
