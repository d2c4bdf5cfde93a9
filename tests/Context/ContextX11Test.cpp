#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "Context/ContextCollector.h"
#include "Context/ContextRig.h"
#include "Context/PageReader.h"
#include "Output/TextInserter.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/linux/AtspiAccessibilityTree.h"
#include "Platform/linux/EwmhDesktopWindows.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/QtClock.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/X11ScreenCaptureAccess.h"
#include "Platform/linux/X11WindowImages.h"
#include "Platform/linux/XTestKeySender.h"
#include "Platform/linux/XcbConnection.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/TestWindows.h"
#include "support/XcbPlatform.h"

using namespace Platform;

namespace {

// A desktop with a window manager and the accessibility bus, one other application on it, and
// the collector wired to the real backends.
class ContextX11Test : public ::testing::Test, protected ContextRig {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(startWindowManager(windowManager));
    }

    void TearDown() override {
        for (QProcess* process : {&application, &windowManager}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    // Starts the other application and waits until its window is the active one.
    void start(const QString& program, const QStringList& arguments) {
        windowId = startTestWindow(application, program, arguments);
        ASSERT_NE(windowId, 0u) << application.readAllStandardError().toStdString();
        ASSERT_TRUE(bringToFront(windowId))
            << "active: " << connection->activeWindow() << ", ours: " << windowId;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !windows.windows().empty(); }, 5000));
        pid = windows.frontApplication()->processIdentifier;
        ASSERT_EQ(pid, application.processId());
    }

    // The application appears on the bus a moment after its window: snapshots until `ready`.
    std::optional<ContextSnapshot> snapshotWhen(
        const std::function<bool(const ContextSnapshot&)>& ready) {
        std::optional<ContextSnapshot> last;
        (void)QTest::qWaitFor(
            [&] {
                // Waits in the event loop, as the application does: its main thread then
                // sleeps in the main context until something arrives.
                QEventLoop loop;
                QTimer::singleShot(3000, &loop, &QEventLoop::quit);
                bool done = false;
                auto handle = collector.quickSnapshot(std::nullopt, false, [&](auto snapshot) {
                    last = std::move(snapshot);
                    done = true;
                    loop.quit();
                });
                if (!done)
                    loop.exec();
                EXPECT_TRUE(done);
                return last && ready(*last);
            },
            8000);
        return last;
    }

    std::optional<ContextSnapshot> fieldSnapshot() {
        return snapshotWhen([](const ContextSnapshot& s) { return s.fieldEditable; });
    }

    QProcess windowManager;
    QProcess application;
    quint32 windowId = 0;
    qint32 pid = 0;
};

QSize jpegSize(const QByteArray& jpeg) {
    QBuffer buffer;
    buffer.setData(jpeg);
    return QImageReader(&buffer, "JPEG").size();
}

TEST_F(ContextX11Test, ReadsAQtLineEdit) {
    start(QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"});
    const auto snapshot = fieldSnapshot();
    ASSERT_TRUE(snapshot && snapshot->fieldEditable);
    EXPECT_EQ(snapshot->windowTitle, "Testfenster");
    EXPECT_EQ(snapshot->fieldRole, "AXTextField");
    EXPECT_EQ(snapshot->fieldLabel, "Betreff:");
    EXPECT_EQ(snapshot->fieldValue, "Hallo Welt");
    EXPECT_EQ(snapshot->selectedText, "Welt");
    ASSERT_TRUE(snapshot->fieldFrame);
    const QRectF window = windows.windows().front().frame;
    EXPECT_TRUE(window.contains(snapshot->fieldFrame->center()))
        << snapshot->fieldFrame->x() << "," << snapshot->fieldFrame->y();
}

TEST_F(ContextX11Test, ReadsAGtkEntryLabelledByALabel) {
    start(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {});
    const auto snapshot =
        snapshotWhen([](const ContextSnapshot& s) { return s.fieldEditable && s.selectedText; });
    ASSERT_TRUE(snapshot && snapshot->fieldEditable);
    EXPECT_EQ(snapshot->windowTitle, "GTK-Fenster");
    EXPECT_EQ(snapshot->fieldRole, "AXTextField");
    EXPECT_EQ(snapshot->fieldLabel, "Empfänger");
    EXPECT_EQ(snapshot->fieldValue, "Anna Beispiel");
    EXPECT_EQ(snapshot->selectedText, "Beispiel");
    EXPECT_TRUE(snapshot->fieldFrame);
}

TEST_F(ContextX11Test, PlaceholderNamesAnEmptyGtkField) {
    start(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {});
    ASSERT_TRUE(fieldSnapshot());
    application.write("focus subject\n");
    const auto snapshot =
        snapshotWhen([](const ContextSnapshot& s) { return s.fieldLabel == "Worum geht es?"; });
    ASSERT_TRUE(snapshot && snapshot->fieldLabel == "Worum geht es?");
    EXPECT_TRUE(snapshot->fieldEditable);
    EXPECT_EQ(snapshot->fieldValue, std::nullopt);
    EXPECT_EQ(snapshot->selectedText, std::nullopt);
}

TEST_F(ContextX11Test, GtkFieldReadsNeverWaitForTheirTimeLimit) {
    // GTK answers over a direct connection, which must be read by the worker that waits for
    // the answer, not by the main thread.
    start(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {});
    ASSERT_TRUE(fieldSnapshot());
    qint64 slowest = 0;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto snapshot = snapshotWhen([](const ContextSnapshot&) { return true; });
        slowest = std::max(slowest, timer.elapsed());
        ASSERT_TRUE(snapshot && snapshot->fieldEditable);
    }
    EXPECT_LT(slowest, 200);
}

TEST_F(ContextX11Test, PasswordFieldsGiveNoText) {
    const struct {
        QString program;
        QStringList arguments;
        QString label;
    } cases[] = {
        {QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"}, "Passwort:"},
        {QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {}, "Kennwort"},
    };
    for (const auto& c : cases) {
        start(c.program, c.arguments);
        ASSERT_TRUE(fieldSnapshot());
        application.write("focus password\n");
        const auto snapshot =
            snapshotWhen([&](const ContextSnapshot& s) { return s.fieldLabel == c.label; });
        ASSERT_TRUE(snapshot && snapshot->fieldLabel == c.label) << c.label.toStdString();
        EXPECT_TRUE(snapshot->fieldEditable);
        EXPECT_EQ(snapshot->fieldRole, "AXTextField");
        EXPECT_EQ(snapshot->fieldValue, std::nullopt);
        EXPECT_EQ(snapshot->selectedText, std::nullopt);
        application.terminate();
        application.waitForFinished(3000);
    }
}

TEST_F(ContextX11Test, WindowGivesItsTitleAndAPictureOfItsSize) {
    start(QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"});
    const auto snapshot = snapshotWhen([](const ContextSnapshot&) { return true; });
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->windowTitle, "Testfenster");
    const auto window = windows.windows().front();
    EXPECT_EQ(window.title, "Testfenster");
    EXPECT_EQ(window.frame.size(), QSizeF(480, 260));

    bool done = false;
    std::optional<WindowCapture::Result> result;
    capture.capture(pid, std::nullopt, false, nullptr, [&](auto jpeg, QString) {
        result = std::move(jpeg);
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->cropped);
    EXPECT_EQ(jpegSize(result->jpeg), QSize(480, 260));
}

// Without a compositor the screen shows our window there, not the other application's: that
// part is black, and the rest of the window is still taken (right after a paste the undo
// toast stands over the window the next panel is opened for).
TEST_F(ContextX11Test, WhereOneOfOurWindowsCoversItThePictureIsBlack) {
    start(QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"});
    // The window says it is there once it is mapped; on a busy machine its first paint may
    // come a moment later.
    const QPoint outside(20, 200);
    auto first = images.grab(windowId);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            first = images.grab(windowId);
            return !first.image.isNull() && (first.image.pixel(outside) & 0xffffff) != 0;
        },
        5000))
        << "the window itself is not black: " << first.error.toStdString();

    const QRectF frame = windows.windows().front().frame;
    QWidget panel;
    panel.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.setStyleSheet("background: #ff00ff");
    panel.setGeometry(QRect(frame.topLeft().toPoint() + QPoint(40, 40), QSize(200, 100)));
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QImage image;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            image = images.grab(windowId).image;
            return !image.isNull() && (image.pixel(140, 90) & 0xffffff) == 0u;
        },
        3000))
        << "under our window: " << std::hex << (image.isNull() ? 0 : image.pixel(140, 90));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), frame.size().toSize());
    EXPECT_EQ(image.pixel(outside), first.image.pixel(outside)) << "the rest of the window";
}

TEST_F(ContextX11Test, WithACompositorTheWindowIsTakenUnderOurs) {
    QProcess compositor;
    compositor.start("xcompmgr", {});
    const auto compositing = [&] {
        xcb_connection_t* c = connection->connection();
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, connection->atom("_NET_WM_CM_S0")), nullptr);
        const bool owned = reply && reply->owner != XCB_NONE;
        std::free(reply);
        return owned;
    };
    ASSERT_TRUE(QTest::qWaitFor(compositing, 5000));
    start(QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"});

    const QRectF frame = windows.windows().front().frame;
    QWidget panel;
    panel.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.setStyleSheet("background: #ff00ff");
    panel.setGeometry(QRect(frame.topLeft().toPoint(), QSize(200, 100)));
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTest::qWait(100);

    const QImage image = images.grab(windowId).image;
    compositor.terminate();
    compositor.waitForFinished(3000);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), frame.size().toSize());
    EXPECT_NE(image.pixel(20, 20) & 0xffffff, 0xff00ffu);
}

TEST_F(ContextX11Test, TerminalSelectionIsNeverCopiedWithAnInterrupt) {
    // An xterm whose program writes every byte it gets, raw, into a file.
    QTemporaryDir scratch;
    const QString output = scratch.filePath("terminal");
    application.start(
        "xterm", {"-e", "sh", "-c",
                  QString("stty raw -echo; echo $WINDOWID > '%1.window'; cat > '%1'").arg(output)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(output + ".window").toUInt() != 0; }, 10000));
    RunningApplication terminal;
    terminal.windowId = readFile(output + ".window").trimmed().toUInt();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            activation.activate(terminal);
            return windows.frontApplication() &&
                   windows.frontApplication()->windowId == terminal.windowId;
        },
        5000));

    X11Clipboard clipboard;
    XTestKeySender keys{connection};
    X11ModifierState modifiers{connection};
    TextInserter inserter{{clock, clipboard, keys, activation, modifiers, trust}};
    ContextCollector copying{
        {clock, windows, trust, worker, capture, log,
         [&](std::function<void(std::optional<QString>)> done) { inserter.copySelection(done); }}};
    bool done = false;
    std::optional<ContextSnapshot> snapshot;
    auto handle = copying.quickSnapshot(std::nullopt, true, [&](auto result) {
        snapshot = std::move(result);
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->fieldEditable);
    EXPECT_EQ(snapshot->selectedText, std::nullopt);
    QTest::qWait(200);
    EXPECT_FALSE(readFile(output).contains('\x03')) << readFile(output).toHex().toStdString();
}

TEST_F(ContextX11Test, PageTextFollowsTheMarksOfEmbeddedChildren) {
    start(QStringLiteral(TAVRIN_FIELD_WINDOW), {"page"});
    PageReader reader(worker, trust);
    std::optional<QString> text;
    (void)QTest::qWaitFor(
        [&] {
            bool done = false;
            auto handle = reader.read(pid, 60000, std::chrono::milliseconds(6000), [&](auto page) {
                text = std::move(page);
                done = true;
            });
            EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 7000));
            return text.has_value();
        },
        8000);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Anfang erster Link Mitte zweiter Link Ende.");
}

}  // namespace
