#include <gtest/gtest.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "Platform/KeySender.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/X11SelectionReader.h"
#include "Platform/linux/XcbConnection.h"
#include "support/Programs.h"
#include "support/ScriptedSelectionOwner.h"
#include "support/XcbPlatform.h"

using namespace Platform;

namespace {

using Target = ScriptedSelectionOwner::Target;

ClipboardContents one(QList<ClipboardItem::Representation> representations) {
    return {ClipboardItem{std::move(representations)}};
}

// Reads through the clipboard backend, keeping the event loop running meanwhile (Tavrin
// itself may be the owner that has to answer).
ClipboardContents readAll(Clipboard& clipboard, qint64* elapsed = nullptr) {
    std::optional<ClipboardContents> result;
    QElapsedTimer timer;
    timer.start();
    auto pending = clipboard.readContents([&](ClipboardContents contents) { result = contents; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    if (elapsed)
        *elapsed = timer.elapsed();
    return result.value_or(ClipboardContents{});
}

class X11ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        ASSERT_TRUE(connection);
    }

    std::shared_ptr<XcbConnection> connection = XcbConnection::open();
    X11Clipboard clipboard{{Milliseconds(200), Milliseconds(1500)}};
};

TEST_F(X11ClipboardTest, ReadsEveryFormatOfAnotherOwnerAndSkipsBookkeeping) {
    const QByteArray binary("\0\1\2\xff\xfe", 5);
    ScriptedSelectionOwner owner({{"text/html", "<i>Grüße</i>"},
                                  {"UTF8_STRING", "Grüße"},
                                  {"STRING",
                                   "Gr\xfc\xdf"
                                   "e"},
                                  {"TIMESTAMP", "1234"},
                                  {"DELETE", ""},
                                  {"application/x-bytes", binary}});

    EXPECT_EQ(readAll(clipboard), one({{"text/html", "<i>Grüße</i>"},
                                       {"text/plain", "Grüße"},
                                       {"application/x-bytes", binary}}));
}

TEST_F(X11ClipboardTest, AnOwnerThatDoesNotAnswerCostsAtMostTheLimits) {
    struct Case {
        const char* name;
        QList<Target> targets;
        bool answersTargets;
        ClipboardContents expected;
        qint64 atMostMs;
    };
    QList<Target> everyFormatStalls = {{"UTF8_STRING", "Text"}};
    for (int i = 1; i <= 10; ++i)
        everyFormatStalls.append({"a/" + QByteArray::number(i), "", true});
    const Case cases[] = {
        {"one format stalls",
         {{"UTF8_STRING", "Text"}, {"application/x-slow", "", true}, {"text/html", "<p>Text</p>"}},
         true,
         one({{"text/plain", "Text"}, {"text/html", "<p>Text</p>"}}),
         700},
        {"every format stalls: the total limit ends it", everyFormatStalls, true,
         one({{"text/plain", "Text"}}), 2000},
        {"not even the list of formats", {{"UTF8_STRING", "Text"}}, false, {}, 700},
        {"a late answer is not taken for the next format",
         {{"UTF8_STRING", "Text"}, {"image/png", "PNG", false, 300}, {"text/html", "", true}},
         true,
         one({{"text/plain", "Text"}}),
         1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSelectionOwner owner(c.targets, c.answersTargets);
        qint64 elapsed = 0;
        EXPECT_EQ(readAll(clipboard, &elapsed), c.expected);
        EXPECT_LT(elapsed, c.atMostMs);
    }
}

TEST_F(X11ClipboardTest, ReadsDoNotQueueBehindOtherBackgroundWork) {
    ScriptedSelectionOwner owner(QList<Target>{{"UTF8_STRING", "Text"}});
    QThreadPool* shared = QThreadPool::globalInstance();
    for (int i = 0; i < shared->maxThreadCount(); ++i)
        shared->start([] { QThread::msleep(1500); });

    qint64 elapsed = 0;
    EXPECT_EQ(readAll(clipboard, &elapsed), one({{"text/plain", "Text"}}));
    EXPECT_LT(elapsed, 700);
    shared->waitForDone();
}

TEST_F(X11ClipboardTest, LargeDataArrivesInPieces) {
    // xclip hands over data larger than one request in INCR pieces.
    QByteArray large(6 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 % 251);
    xclipIn(large, "application/x-big");

    X11Clipboard patient{{Milliseconds(4000), Milliseconds(8000)}};
    const ClipboardContents read = readAll(patient);
    ASSERT_EQ(read.size(), 1);
    bool found = false;
    for (const auto& representation : read.front().representations) {
        if (representation.type == QLatin1String("application/x-big")) {
            found = true;
            EXPECT_TRUE(representation.data == large);
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(X11ClipboardTest, RestoredContentsReachOtherProgramsByteForByte) {
    const ClipboardContents contents =
        one({{"text/plain", "Grüße aus Köln"},
             {"text/html", "<b>Grüße</b>"},
             {"application/x-bytes", QByteArray("\0\1\x80\xff", 4)}});
    clipboard.write(contents);

    // Read as another program sees it, while the event loop serves the requests.
    auto future =
        QtConcurrent::run([] { return X11SelectionReader::readContents(qgetenv("DISPLAY"), {}); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 5000));
    EXPECT_EQ(future.result(), contents);
    EXPECT_EQ(xclipOut(), QByteArray("Grüße aus Köln"));
}

TEST_F(X11ClipboardTest, ALargeWriteReachesOtherProgramsInPieces) {
    QByteArray large(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>('a' + i * 7 % 26);
    clipboard.write(one({{"text/plain", large}}));

    // xclip and Tavrin's own reader both take answers in INCR pieces.
    EXPECT_TRUE(xclipOut() == large);
    auto future = QtConcurrent::run([] {
        return X11SelectionReader::readText(qgetenv("DISPLAY"),
                                            {Milliseconds(4000), Milliseconds(8000)});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 10000));
    EXPECT_TRUE(future.result() == QString::fromUtf8(large));
}

TEST_F(X11ClipboardTest, OwnershipTellsAtOnceWhenAnotherProgramWrote) {
    const quint64 before = clipboard.foreignWrites();
    clipboard.write(one({{"text/plain", "Tavrin"}}));
    EXPECT_TRUE(clipboard.holdsOwnWrite());
    QTest::qWait(100);
    EXPECT_EQ(clipboard.foreignWrites(), before);

    // No event has been processed since the other program took the clipboard: the answer
    // comes from the server.
    ScriptedSelectionOwner other(QList<Target>{{"UTF8_STRING", "Fremd"}});
    EXPECT_FALSE(clipboard.holdsOwnWrite());

    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard.foreignWrites() > before; }, 2000));
    EXPECT_EQ(readAll(clipboard), one({{"text/plain", "Fremd"}}));
}

TEST_F(X11ClipboardTest, WritingNothingEmptiesTheClipboard) {
    for (const bool ownedByTavrin : {true, false}) {
        SCOPED_TRACE(ownedByTavrin);
        if (ownedByTavrin)
            clipboard.write(one({{"text/plain", "Tavrin"}}));
        else
            xclipIn("Fremd");
        QTest::qWait(200);
        const quint64 before = clipboard.foreignWrites();
        clipboard.write({});
        EXPECT_EQ(readAll(clipboard), ClipboardContents{});
        // The report of the emptying comes later and is Tavrin's own, not another program's.
        QTest::qWait(200);
        EXPECT_EQ(clipboard.foreignWrites(), before);
    }
    const quint64 before = clipboard.foreignWrites();
    xclipIn("Danach");
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard.foreignWrites() > before; }, 2000));
}

TEST(X11ModifierStateTest, ReportsHeldModifiers) {
    auto connection = XcbConnection::open();
    ASSERT_TRUE(connection);
    X11ModifierState modifiers(connection);
    struct Case {
        const char* key;
        quint64 flag;
    };
    const Case cases[] = {{"alt", EventFlag::Option},
                          {"ctrl", EventFlag::Control},
                          {"shift", EventFlag::Shift},
                          {"super", EventFlag::Command}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        runProgram("xdotool", {"keydown", QLatin1String(c.key)});
        EXPECT_EQ(modifiers.currentFlags(), c.flag);
        runProgram("xdotool", {"keyup", QLatin1String(c.key)});
        EXPECT_EQ(modifiers.currentFlags(), EventFlag::None);
    }
}

}  // namespace
