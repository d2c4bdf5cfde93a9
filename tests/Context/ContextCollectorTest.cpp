#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <condition_variable>
#include <future>
#include <mutex>

#include "Context/ContextCollector.h"
#include "Platform/fake/FakeAccessibilityTree.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeDesktopWindows.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeWindowImages.h"
#include "Platform/linux/QtClock.h"

using Platform::FakeAccessible;
using Node = std::shared_ptr<FakeAccessible>;

namespace {

constexpr qint32 mailPid = 3100;
constexpr quint32 windowId = 0x400007;
const QRectF mailWindowFrame(0, 0, 400, 300);
const QRectF mailFieldFrame(20, 200, 300, 24);

QImage filled(QColor color, QSize size = {400, 300}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

int grayOf(const QByteArray& jpeg) {
    const QImage image = QImage::fromData(jpeg, "JPEG");
    return image.isNull() ? -1 : qGray(image.pixel(image.width() / 2, image.height() / 2));
}

// An application whose answers wait until the test lets them go.
class Gate {
public:
    void wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

template <typename ClockType>
struct Desk {
    ClockType clock;
    Platform::FakeAccessibilityTree tree;
    Platform::AccessibilityWorker worker{tree.factory()};
    Platform::FakeDesktopWindows windows;
    Platform::FakeAccessibilityTrust trust;
    Platform::FakeWindowImages images;
    Platform::FakeScreenCaptureAccess access;
    Platform::FakeSystemLog log;
    WindowCapture capture{windows, images, access};
    int copies = 0;
    std::optional<QString> copied;
    ContextCollector collector{{clock, windows, trust, worker, capture, log,
                                [this](std::function<void(std::optional<QString>)> done) {
                                    ++copies;
                                    done(copied);
                                }}};
    Node application = std::make_shared<FakeAccessible>();
    Node window = std::make_shared<FakeAccessible>();
    Node field = std::make_shared<FakeAccessible>();

    Desk() {
        trust.trusted = true;
        access.granted = true;
        Platform::RunningApplication front;
        front.localizedName = "Mail";
        front.bundleIdentifier = "org.example.Mail";
        front.processIdentifier = mailPid;
        front.windowId = windowId;
        windows.front = front;
        windows.list = {{windowId, mailPid, "Posteingang", mailWindowFrame}};
        images.set(windowId, filled(Qt::white));
        tree.applications.insert(mailPid, application);
        application->focusedWindowValue = window;
        window->nameValue = "Entwurf";
        window->frameValue = mailWindowFrame;
        window->focusedElementValue = field;
        field->roleValue = "AXTextField";
        field->editable = true;
        field->nameValue = "Nachricht";
        field->textValue = "Hallo";
        field->selection = QString();
        field->frameValue = mailFieldFrame;
    }

    std::optional<ContextSnapshot> snapshot(
        std::optional<ContextCollector::FieldPrefetch> prefetch = std::nullopt,
        bool copySelection = true) {
        bool done = false;
        std::optional<ContextSnapshot> result;
        auto handle = collector.quickSnapshot(prefetch, copySelection, [&](auto snapshot) {
            result = std::move(snapshot);
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
        return result;
    }

    ContextSnapshot withScreenshot(const ContextSnapshot& snapshot) {
        bool done = false;
        ContextSnapshot result;
        auto handle = collector.addScreenshot(snapshot, [&](ContextSnapshot filled) {
            result = std::move(filled);
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
        return result;
    }
};

using FakeDesk = Desk<Platform::FakeClock>;

TEST(ContextCollectorTest, SnapshotCarriesTheApplicationAndItsField) {
    FakeDesk desk;
    std::chrono::milliseconds firstQuestion{};
    desk.application->beforeAnswer = [&] { firstQuestion = desk.tree.callTimeout(); };
    const auto snapshot = desk.snapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->appName, "Mail");
    EXPECT_EQ(snapshot->bundleID, "org.example.Mail");
    EXPECT_EQ(snapshot->processID, mailPid);
    EXPECT_EQ(snapshot->windowTitle, "Entwurf");
    EXPECT_EQ(snapshot->fieldRole, "AXTextField");
    EXPECT_EQ(snapshot->fieldLabel, "Nachricht");
    EXPECT_TRUE(snapshot->fieldEditable);
    EXPECT_EQ(snapshot->fieldValue, "Hallo");
    EXPECT_EQ(snapshot->fieldFrame, mailFieldFrame);
    EXPECT_TRUE(snapshot->pointer);
    EXPECT_EQ(snapshot->capturedAt, desk.clock.now());
    EXPECT_EQ(snapshot->screenshotJPEG, std::nullopt);
    // An application that does not answer its first question in this time is taken for hung.
    EXPECT_EQ(firstQuestion, std::chrono::milliseconds(250));
}

TEST(ContextCollectorTest, NoSnapshotWithoutAnotherApplicationInFront) {
    FakeDesk desk;
    desk.windows.front->processIdentifier = static_cast<qint32>(QCoreApplication::applicationPid());
    EXPECT_EQ(desk.collector.prefetchField(), std::nullopt);
    EXPECT_EQ(desk.snapshot(), std::nullopt);
    desk.windows.front.reset();
    EXPECT_EQ(desk.snapshot(), std::nullopt);
}

TEST(ContextCollectorTest, CopiesTheSelectionOnlyWhenTheFieldDoesNotTell) {
    const struct {
        const char* name;
        std::optional<QString> fieldSelection;
        bool copySelection;
        std::optional<QString> selectedText;
        int copies;
        std::optional<bool> password = false;
    } cases[] = {
        {"selection from the field", QString("Welt"), true, QString("Welt"), 0},
        {"caret without selection", QString(), true, std::nullopt, 0},
        {"field says nothing: copied", std::nullopt, true, QString("kopiert"), 1},
        {"field says nothing, copying not wanted", std::nullopt, false, std::nullopt, 0},
        // The reader keeps a password field's selection to itself; the copy key must not
        // fetch it either.
        {"password field: never copied", QString("geheim"), true, std::nullopt, 0, true},
        // A role that did not come in time may be a password entry's.
        {"role unknown: never copied", std::nullopt, true, std::nullopt, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        FakeDesk desk;
        desk.field->selection = c.fieldSelection;
        desk.field->password = c.password;
        const bool hidden = c.password != false;
        desk.copied = QString(hidden ? "geheim" : "kopiert");
        const auto snapshot = desk.snapshot(std::nullopt, c.copySelection);
        ASSERT_TRUE(snapshot) << c.name;
        EXPECT_EQ(snapshot->selectedText, c.selectedText) << c.name;
        EXPECT_EQ(desk.copies, c.copies) << c.name;
        // What comes after the snapshot (a spoken instruction) must not copy it either.
        EXPECT_EQ(snapshot->fieldIsPassword, hidden) << c.name;
        if (hidden) {
            EXPECT_EQ(snapshot->fieldValue, std::nullopt) << c.name;
        }
    }
}

TEST(ContextCollectorTest, CopiesAlsoWhereNoFieldIsFocused) {
    // A terminal or a page: selected text without an editable field.
    FakeDesk desk;
    desk.field->roleValue = "terminal";
    desk.field->editable = false;
    desk.copied = "ls -la";
    const auto snapshot = desk.snapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->fieldEditable);
    EXPECT_EQ(snapshot->fieldRole, "terminal");
    EXPECT_EQ(snapshot->selectedText, "ls -la");
}

TEST(ContextCollectorTest, WindowTitleFallsBackToTheFirstWindowOfTheProcess) {
    FakeDesk desk;
    desk.window->nameValue = "";
    desk.windows.list = {{9, 1, "Fremd", mailWindowFrame},
                         {windowId, mailPid, "", mailWindowFrame},
                         {12, mailPid, "Zweites Fenster", mailWindowFrame}};
    EXPECT_EQ(desk.snapshot()->windowTitle, std::nullopt);
    desk.windows.list[1].title = "Posteingang";
    EXPECT_EQ(desk.snapshot()->windowTitle, "Posteingang");
}

TEST(ContextCollectorTest, WithoutTrustOrNameTheSnapshotKeepsWhatItKnows) {
    FakeDesk desk;
    desk.trust.trusted = false;
    desk.windows.front->localizedName.clear();
    const auto snapshot = desk.snapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->appName, "App");
    EXPECT_FALSE(snapshot->fieldEditable);
    EXPECT_EQ(snapshot->fieldRole, std::nullopt);
    EXPECT_EQ(snapshot->windowTitle, "Posteingang");
    EXPECT_TRUE(desk.application->asked().isEmpty());
}

TEST(ContextCollectorTest, PrefetchIsUsedOnlyForTheSameProcess) {
    FakeDesk desk;
    const auto prefetch = desk.collector.prefetchField();
    ASSERT_TRUE(prefetch);
    EXPECT_EQ(prefetch->pid, mailPid);
    desk.snapshot(prefetch);
    EXPECT_EQ(desk.application->asked().count("focusedWindow"), 1);

    // The user switched applications between the key press and the snapshot.
    Node other = std::make_shared<FakeAccessible>();
    desk.tree.applications.insert(mailPid + 1, other);
    desk.windows.front->processIdentifier = mailPid + 1;
    desk.snapshot(prefetch);
    EXPECT_EQ(other->asked().count("focusedWindow"), 1);
    EXPECT_EQ(desk.application->asked().count("focusedWindow"), 1);
}

// GTK 3 names no focused window while the shortcut's key holds the keyboard, which is when the
// prefetch reads; by the time the snapshot is asked for, the key is up.
// The window may come back a moment after the key: the read after it waits for it briefly.
TEST(ContextCollectorTest, PrefetchThatFoundNoFocusedWindowIsReadAgain) {
    const struct {
        const char* name;
        bool prefetch;
        // How many of the application's first answers name no focused window.
        int windowless;
        bool fieldRead;
        int minimumWindowQueries;
        int maximumWindowQueries;
        // How many of the window's first answers name an element that is no field.
        int fieldless = 0;
    } cases[] = {
        {"window back by the snapshot", true, 1, true, 2, 2},
        {"window back a moment after the key", true, 3, true, 4, 4},
        {"window never back: asked for a moment only", true, 999, false, 3, 20},
        {"prefetch that found the window is used", true, 0, true, 1, 1},
        {"the snapshot's own read is not repeated", false, 999, false, 1, 1},
        // LibreOffice: the panel around the document has the focus before the paragraph.
        {"window back before its field", true, 1, true, 4, 4, 2},
        {"window back without a field: asked for a moment only", true, 1, false, 3, 20, 999},
    };
    for (const auto& c : cases) {
        int answers = 0;
        int windowAnswers = 0;
        FakeDesk desk;
        auto panel = std::make_shared<FakeAccessible>();
        panel->roleValue = "panel";
        panel->editable = false;
        // Only the worker asks, one question at a time.
        desk.application->beforeAnswer = [&] {
            desk.application->focusedWindowValue = answers++ < c.windowless ? nullptr : desk.window;
        };
        desk.window->beforeAnswer = [&] {
            if (desk.window->asked().last() == "focusedElement")
                desk.window->focusedElementValue =
                    windowAnswers++ < c.fieldless ? panel : desk.field;
        };
        std::optional<ContextCollector::FieldPrefetch> prefetch;
        if (c.prefetch)
            prefetch = desk.collector.prefetchField();
        const auto snapshot = desk.snapshot(prefetch);
        ASSERT_TRUE(snapshot) << c.name;
        EXPECT_EQ(snapshot->fieldFrame, c.fieldRead ? std::optional(mailFieldFrame) : std::nullopt)
            << c.name;
        const auto queries = desk.application->asked().count("focusedWindow");
        EXPECT_GE(queries, c.minimumWindowQueries) << c.name;
        EXPECT_LE(queries, c.maximumWindowQueries) << c.name;
        // A dictation reads once more after its key is up when the snapshot says so.
        EXPECT_EQ(snapshot->noFocusedWindow, !c.fieldRead && c.fieldless == 0) << c.name;
    }
}

// A prefetch that ran out of time is not read again: the race alone bounds the wait.
TEST(ContextCollectorTest, PrefetchThatRanOutOfTimeIsNotReadAgain) {
    FakeDesk desk;
    Gate gate;
    desk.application->beforeAnswer = [&gate] { gate.wait(); };
    const auto prefetch = desk.collector.prefetchField();
    bool done = false;
    auto handle = desk.collector.quickSnapshot(prefetch, false, [&](auto) { done = true; });
    // The application hangs in its answer when the time is up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desk.application->asked().isEmpty(); }, 5000));
    desk.clock.advance(std::chrono::milliseconds(400));
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    gate.open();
    QTest::qWait(100);
    EXPECT_EQ(desk.application->asked().count("focusedWindow"), 1);
}

// An application that does not answer costs the panel the field read's 0.4 s. One that named
// its focused window and then went quiet is taken for a busy one, which gets 1.5 s.
TEST(ContextCollectorTest, HungApplicationDelaysTheSnapshotByItsRaceOnly) {
    const struct {
        const char* name;
        bool namedItsWindow;
        qint64 atLeast;
        qint64 below;
    } cases[] = {
        {"silent from its first question", false, 390, 900},
        {"silent after naming its window", true, 1490, 2100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Desk<Platform::QtClock> desk;
        Gate gate;
        const Node& silent = c.namedItsWindow ? desk.window : desk.application;
        silent->beforeAnswer = [&gate] { gate.wait(); };
        QElapsedTimer elapsed;
        elapsed.start();
        const auto snapshot = desk.snapshot();
        const qint64 took = elapsed.elapsed();
        gate.open();
        ASSERT_TRUE(snapshot);
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, c.below);
        EXPECT_FALSE(snapshot->fieldEditable);
        // A field read that did not come says nothing of a password: no copy key goes in.
        EXPECT_TRUE(snapshot->fieldIsPassword);
        EXPECT_EQ(desk.copies, 0);
        // The window list stands in for the title the tree did not give in time.
        EXPECT_EQ(snapshot->windowTitle, "Posteingang");
        // The abandoned read stops at its next step instead of going on to the field.
        EXPECT_TRUE(QTest::qWaitFor([&] { return silent->asked().size() >= 1; }, 2000));
        QTest::qWait(50);
        EXPECT_TRUE(desk.field->asked().isEmpty());
    }
}

// A busy application answers, if late: once it has named its focused window it gets 1.5 s for
// its field's place and selection, and the panel opens by the field; past that, without it.
TEST(ContextCollectorTest, ABusyApplicationGetsLongerForItsField) {
    using std::chrono::milliseconds;
    const struct {
        const char* name;
        milliseconds answersAfter;
        bool read;
    } cases[] = {
        {"its field answers after the field read's time", milliseconds(700), true},
        {"its field answers after the busy application's time", milliseconds(1500), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDesk desk;
        Gate gate;
        desk.field->beforeAnswer = [&gate] { gate.wait(); };
        std::optional<std::optional<ContextSnapshot>> snapshot;
        auto handle = desk.collector.quickSnapshot(std::nullopt, true,
                                                   [&](auto made) { snapshot = std::move(made); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !desk.field->asked().isEmpty(); }, 5000));
        desk.clock.advance(c.answersAfter);
        gate.open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return snapshot.has_value(); }, 5000));
        ASSERT_TRUE(*snapshot);
        EXPECT_EQ((*snapshot)->fieldEditable, c.read);
        EXPECT_EQ((*snapshot)->fieldFrame, c.read ? std::optional(mailFieldFrame) : std::nullopt);
    }
}

// An editor of three paragraphs, "Welt" selected in the second.
template <typename ClockType>
void makeEditor(Desk<ClockType>& desk) {
    desk.field->roleValue = "section";
    desk.field->textValue = QString(3, QChar(0xFFFC));
    desk.field->selectionRangeValue = Platform::TextRange{1, 2};
    for (const char* text : {"Liebe Jana,", "Hallo Welt und danke.", "Bis bald"}) {
        auto paragraph = std::make_shared<FakeAccessible>();
        paragraph->roleValue = "paragraph";
        paragraph->textValue = text;
        desk.field->embedded.push_back(paragraph);
    }
    desk.field->embedded[1]->selectionRangeValue = Platform::TextRange{6, 10};
}

// With `richText` the editor, whose last paragraph answers once `gate` opens; else the plain
// field, and the gate open.
void arrange(FakeDesk& desk, Gate& gate, bool richText) {
    if (!richText) {
        gate.open();
        return;
    }
    makeEditor(desk);
    desk.field->embedded[2]->beforeAnswer = [&gate] { gate.wait(); };
}

const QString editorWords = "Liebe Jana,\nHallo Welt und danke.\nBis bald";

// A busy browser gives an editor's paragraphs after its place and selection: the snapshot does
// not wait for them, and the words that come within their time follow it, also after the field
// read's own time.
TEST(ContextCollectorTest, AnEditorsWordsThatComeLateFollowTheSnapshot) {
    const struct {
        const char* name;
        bool richText;
        // How far time has gone when the last paragraph answers.
        std::chrono::milliseconds answersAfter;
        std::optional<QString> words;
    } cases[] = {
        {"the words come at once", true, std::chrono::milliseconds(0), editorWords},
        {"the words come after the field read's time", true, std::chrono::milliseconds(1000),
         editorWords},
        {"the words come too late", true, std::chrono::milliseconds(3000), std::nullopt},
        {"a plain field has them in the snapshot", false, std::chrono::milliseconds(0),
         std::nullopt},
    };
    for (const auto& c : cases) {
        FakeDesk desk;
        Gate gate;
        arrange(desk, gate, c.richText);
        const auto snapshot = desk.snapshot();
        ASSERT_TRUE(snapshot) << c.name;
        EXPECT_EQ(snapshot->fieldTextPending, c.richText) << c.name;
        EXPECT_EQ(snapshot->selectedText, c.richText ? "Welt" : std::optional<QString>()) << c.name;
        EXPECT_EQ(snapshot->fieldFrame, mailFieldFrame) << c.name;
        EXPECT_EQ(snapshot->fieldValue, c.richText ? std::nullopt : std::optional<QString>("Hallo"))
            << c.name;
        EXPECT_EQ(desk.copies, 0) << c.name;

        desk.clock.advance(c.answersAfter);
        bool done = false;
        std::optional<QString> words = QString("nicht gefragt");
        auto handle = desk.collector.fieldText(*snapshot, [&](std::optional<QString> text) {
            words = std::move(text);
            done = true;
        });
        gate.open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000)) << c.name;
        EXPECT_EQ(words, c.words) << c.name;
    }
}

// On a busy machine the main thread can come to the read's timer after the read has answered in
// time, its answer still queued: the answer counts, whichever of the two the thread takes first.
TEST(ContextCollectorTest, AnAnswerInTimeCountsWhenTheMainThreadIsLate) {
    const struct {
        const char* name;
        bool richText;
        // Where the main thread is when it comes to the queue.
        std::chrono::milliseconds late;
    } cases[] = {
        {"the field, the timer reached first", false, std::chrono::milliseconds(400)},
        {"an editor's words, their timer reached first", true, std::chrono::milliseconds(3000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDesk desk;
        Gate gate;
        arrange(desk, gate, c.richText);
        // Set once the snapshot came, with or without one.
        std::optional<std::optional<ContextSnapshot>> snapshot;
        auto handle = desk.collector.quickSnapshot(std::nullopt, true, [&](auto made) {
            snapshot = std::move(made);
        });
        // An editor's place and selection come first; its last paragraph waits.
        if (c.richText) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return snapshot.has_value(); }, 5000));
        }
        gate.open();
        // The reading thread takes its work in order: once this runs, the read has answered.
        QObject receiver;
        std::promise<void> read;
        desk.worker.run(
            &receiver,
            [&read](Platform::AccessibilityTree*) {
                read.set_value();
                return 0;
            },
            [](int) {});
        read.get_future().wait();
        desk.clock.advance(c.late);

        ASSERT_TRUE(QTest::qWaitFor([&] { return snapshot.has_value(); }, 5000));
        ASSERT_TRUE(*snapshot);
        EXPECT_TRUE((*snapshot)->fieldEditable);
        EXPECT_EQ((*snapshot)->fieldFrame, mailFieldFrame);
        if (!c.richText)
            continue;
        std::optional<QString> words = QString("nicht gefragt");
        bool done = false;
        auto wordsHandle = desk.collector.fieldText(**snapshot, [&](std::optional<QString> text) {
            words = std::move(text);
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
        EXPECT_EQ(words, editorWords);
    }
}

// The shortcut held a little longer: the editor's words came while the key was still down, and
// the snapshot asked for afterwards carries them.
TEST(ContextCollectorTest, AnEditorsWordsThatCameBeforeTheSnapshotAreInIt) {
    FakeDesk desk;
    desk.field->roleValue = "section";
    desk.field->textValue = QString(2, QChar(0xFFFC));
    desk.field->selectionRangeValue = Platform::TextRange{1, 2};
    for (const char* text : {"Liebe Jana,", "Hallo Welt und danke."}) {
        auto paragraph = std::make_shared<FakeAccessible>();
        paragraph->roleValue = "paragraph";
        paragraph->textValue = text;
        desk.field->embedded.push_back(paragraph);
    }
    const auto prefetch = desk.collector.prefetchField();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !desk.field->embedded[1]->asked().filter("text").isEmpty(); }, 5000));
    QTest::qWait(50);
    const auto snapshot = desk.snapshot(prefetch);
    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->fieldTextPending);
    EXPECT_EQ(snapshot->fieldValue, "Liebe Jana,\nHallo Welt und danke.");
}

TEST(ContextCollectorTest, PrefetchOutlivingItsCollectorAnswersNobody) {
    FakeDesk desk;
    Gate gate;
    desk.window->beforeAnswer = [&gate] { gate.wait(); };
    std::optional<ContextCollector::FieldPrefetch> prefetch;
    {
        ContextCollector collector{
            {desk.clock, desk.windows, desk.trust, desk.worker, desk.capture, desk.log, {}}};
        prefetch = collector.prefetchField();
        auto handle = collector.quickSnapshot(prefetch, false, [](auto) { FAIL(); });
    }
    // The race's timer decides after the collector is gone (the application named its window:
    // a busy one's time), then the read ends.
    desk.clock.advance(std::chrono::milliseconds(1500));
    gate.open();
    QTest::qWait(20);
}

TEST(ContextCollectorTest, ScreenshotIsThePictureTakenWithTheSnapshot) {
    FakeDesk desk;
    const auto snapshot = desk.snapshot();
    ASSERT_TRUE(snapshot);
    // Now the panel is up and lies over the window.
    desk.images.set(windowId, filled(Qt::black));
    const ContextSnapshot filled = desk.withScreenshot(*snapshot);
    ASSERT_TRUE(filled.screenshotJPEG);
    EXPECT_GT(grayOf(*filled.screenshotJPEG), 240);
    EXPECT_TRUE(filled.screenshotCroppedToField);
    ContextSnapshot expected = *snapshot;
    expected.screenshotJPEG = filled.screenshotJPEG;
    expected.screenshotCroppedToField = true;
    EXPECT_EQ(filled, expected);
}

TEST(ContextCollectorTest, ScreenshotWithoutFieldFollowsThePointerAndIsWhole) {
    FakeDesk desk;
    const quint32 secondWindow = 0x400100;
    desk.windows.list.push_back({secondWindow, mailPid, "Zweites", {450, 200, 400, 300}});
    desk.images.set(secondWindow, filled(Qt::gray));
    ContextSnapshot snapshot;
    snapshot.processID = mailPid;
    snapshot.pointer = QPointF(500, 300);
    const ContextSnapshot filled = desk.withScreenshot(snapshot);
    ASSERT_TRUE(filled.screenshotJPEG);
    EXPECT_NEAR(grayOf(*filled.screenshotJPEG), qGray(QColor(Qt::gray).rgb()), 3);
    EXPECT_FALSE(filled.screenshotCroppedToField);
}

TEST(ContextCollectorTest, FailedScreenshotIsLoggedAndLeavesTheSnapshot) {
    FakeDesk desk;
    desk.images.remove(windowId);
    desk.images.setError("X-Fehler 8");
    ContextSnapshot snapshot;
    snapshot.processID = mailPid;
    EXPECT_EQ(desk.withScreenshot(snapshot), snapshot);
    EXPECT_EQ(desk.log.lines, QStringList{"[Tavrin] Screenshot fehlgeschlagen: X-Fehler 8"});
}

}  // namespace
