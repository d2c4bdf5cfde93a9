#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <csignal>
#include <thread>

#include "Platform/KeySender.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/X11SelectionOwner.h"
#include "Platform/linux/X11SelectionReader.h"
#include "Platform/linux/XcbConnection.h"
#include "support/Programs.h"
#include "support/ScriptedSelectionOwner.h"
#include "support/SelectionRequestor.h"
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

// A program of its own, reading the clipboard over its window's connection or a second one.
class Reader {
public:
    Reader() {
        process_.start(QStringLiteral(TAVRIN_CONNECTIONS_READER), QStringList{});
        const QByteArray line = nextLine();
        if (line.startsWith("window "))
            window = line.mid(7).toUInt();
    }
    ~Reader() {
        process_.closeWriteChannel();
        process_.waitForFinished(3000);
    }
    // What the program gets: "text …", or "none".
    QByteArray read(const char* how) {
        tell(how);
        return nextLine();
    }
    void tell(const char* how) { process_.write(QByteArray(how) + '\n'); }
    QByteArray nextLine(int waitMs = 5000) {
        if (!QTest::qWaitFor([&] { return process_.canReadLine(); }, waitMs))
            return "silent";
        return process_.readLine().trimmed();
    }

    quint32 window = 0;

private:
    QProcess process_;
};

// The program a paste key went to gets its text over any connection it reads through; every
// other program gets the clipboard, and so does Tavrin itself, at once: its own windows read
// the clipboard through Qt, which waits on the main thread for the owner's answer.
TEST_F(X11ClipboardTest, TheProgramAPasteWentToGetsItsTextOthersTheClipboard) {
    clipboard.write(one({{"text/plain", "Vorher"}}));
    auto target = std::make_unique<Reader>();
    ASSERT_NE(target->window, 0u);
    int fetched = 0;
    auto offer =
        clipboard.offerTo(target->window, one({{"text/plain", "Entwurf"}}), [&] { ++fetched; });
    struct Case {
        const char* name;
        std::function<QByteArray()> read;
        QByteArray expected;
        int fetched;
    };
    const Case cases[] = {
        {"over its window's connection", [&] { return target->read("first"); }, "text Entwurf", 1},
        {"over a connection of its own", [&] { return target->read("second"); }, "text Entwurf",
         2},
        {"another program", [] { return "text " + xclipOut(); }, "text Vorher", 2},
        {"Tavrin's own window, through Qt",
         [] {
             QElapsedTimer elapsed;
             elapsed.start();
             const QString text = QGuiApplication::clipboard()->text();
             return elapsed.elapsed() < 1000 ? "text " + text.toUtf8() : QByteArray("slow");
         },
         "text Vorher", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.read(), c.expected);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fetched == c.fetched; }, 2000)) << fetched;
    }

    // A program that comes after the target has gone may get its connection's id.
    const quint32 mask = xcb_get_setup(connection->connection())->resource_id_mask;
    const quint32 closed = target->window & ~mask;
    target.reset();
    Reader next;
    if ((next.window & ~mask) == closed) {
        EXPECT_EQ(next.read("first"), "text Vorher") << "a closed target's id took its text";
    }
    offer.reset();
    EXPECT_EQ(next.read("second"), "text Vorher");
}

// A read belongs to the paste that asked for it. After Tavrin's key, the program's reads get the
// text; once the user pastes there by themselves (a key, a middle or a right click), a read
// stamped with a later time, or with none, is the user's and gets what the user has, while one
// stamped with Tavrin's key's time still gets the text. The user's paste in another program
// changes nothing.
TEST_F(X11ClipboardTest, AReadIsTheKeysUntilTheUserPastesInThatProgram) {
    const auto focus = [](quint32 window) {
        runProgram("xdotool", {"windowfocus", "--sync", QString::number(window)});
    };
    const auto key = [](const char* keys) { runProgram("xdotool", {"key", keys}); };
    struct Case {
        const char* name;
        // What the user does after Tavrin's key, in which window ("target" or "other").
        std::function<void(Reader& target, Reader& other)> user;
        QByteArray unstamped;
        QByteArray stampedWithTavrinsKey;
        QByteArray stampedWithTheLastKey;
        // Tavrin's key went out; where none did (a key not sent, or not seen as a paste key),
        // the next paste after a moment is the user's.
        bool tavrinsKey = true;
    };
    const Case cases[] = {
        {"nothing", [](Reader&, Reader&) {}, "text Entwurf", "text Entwurf", "text Entwurf"},
        {"the user's Control+V there",
         [&](Reader& target, Reader&) {
             focus(target.window);
             key("ctrl+v");
         },
         "text Vorher", "text Entwurf", "text Vorher"},
        {"the user's Control+Shift+V there",
         [&](Reader& target, Reader&) {
             focus(target.window);
             key("ctrl+shift+v");
         },
         "text Vorher", "text Entwurf", "text Vorher"},
        {"the user's Shift+Insert there",
         [&](Reader& target, Reader&) {
             focus(target.window);
             key("shift+Insert");
         },
         "text Vorher", "text Entwurf", "text Vorher"},
        {"the user's middle click there",
         [&](Reader& target, Reader&) {
             runProgram("xdotool", {"mousemove", "--sync", "60", "60", "click", "2"});
             (void)target;
         },
         "text Vorher", "text Entwurf", "text Entwurf"},
        {"the user's paste in another program",
         [&](Reader&, Reader& other) {
             focus(other.window);
             key("ctrl+v");
         },
         "text Entwurf", "text Entwurf", "text Entwurf"},
        {"no key of Tavrin's: the user's Control+V a moment later",
         [&](Reader& target, Reader&) {
             QTest::qWait(1200);
             focus(target.window);
             key("ctrl+v");
         },
         "text Vorher", "text Vorher", "text Vorher", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard.write(one({{"text/plain", "Vorher"}}));
        Reader other;
        runProgram("xdotool", {"windowmove", "--sync", QString::number(other.window), "600",
                               "400"});
        Reader target;
        ASSERT_NE(target.window, 0u);
        focus(target.window);
        int fetched = 0;
        auto offer = clipboard.offerTo(target.window, one({{"text/plain", "Entwurf"}}),
                                       [&] { ++fetched; });
        // Tavrin's key, through XTEST as Tavrin sends it.
        if (c.tavrinsKey) {
            key("ctrl+v");
            ASSERT_TRUE(QTest::qWaitFor([&] { return target.read("keys") == "text 1"; }, 3000));
            EXPECT_EQ(target.read("first key 1"), "text Entwurf");
        }
        c.user(target, other);
        QTest::qWait(300);
        const QByteArray presses = target.read("keys");

        EXPECT_EQ(target.read("first"), c.unstamped);
        EXPECT_EQ(target.read("first key 1"), c.stampedWithTavrinsKey);
        if (presses == "text 2") {
            EXPECT_EQ(target.read("first key 2"), c.stampedWithTheLastKey);
        }
        EXPECT_EQ(xclipOut(), "Vorher");
    }
}

// A large text goes out in pieces, each asked for by the requestor deleting the one before. A
// program that stops half-way (stopped, swapping) takes the rest whenever it runs again, and
// its last piece is the fetch of the text offered to it.
TEST_F(X11ClipboardTest, AProgramThatPausesHalfWayThroughALargeTextGetsTheRest) {
    QByteArray draft(1024 * 1024, '\0');
    for (qsizetype i = 0; i < draft.size(); ++i)
        draft[i] = static_cast<char>('a' + i * 7 % 26);
    clipboard.write(one({{"text/plain", "Vorher"}}));
    Reader target;
    ASSERT_NE(target.window, 0u);
    int fetched = 0;
    auto offer = clipboard.offerTo(target.window, one({{"text/plain", draft}}), [&] { ++fetched; });

    target.tell("first pause 6000");
    ASSERT_EQ(target.nextLine(), "paused");
    EXPECT_EQ(fetched, 0);
    EXPECT_TRUE(target.nextLine(10000) == "text " + draft) << "the rest did not come";
    EXPECT_TRUE(QTest::qWaitFor([&] { return fetched == 1; }, 2000)) << fetched;
}

// A request made before Tavrin took the clipboard is not one for what it offers now; MULTIPLE
// answers every target it names as single requests would, large ones in pieces.
TEST_F(X11ClipboardTest, RequestsAreAnsweredByTheSelectionRules) {
    QByteArray large(600 * 1024, 'x');
    clipboard.write(one({{"text/plain", "Vorher"}}));
    SelectionRequestor requestor(*connection);
    const std::optional<SelectionRequestor::Answer> since = requestor.ask("TIMESTAMP");
    ASSERT_TRUE(since && since->data.size() == 4);
    const quint32 owned = *reinterpret_cast<const quint32*>(since->data.constData());

    struct Case {
        const char* name;
        quint32 time;
        bool answered;
    };
    const Case cases[] = {{"timed before the clipboard was taken", owned - 1, false},
                          {"timed as it was taken", owned, true},
                          {"not timed", XCB_CURRENT_TIME, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(requestor.ask("UTF8_STRING", c.time).has_value(), c.answered);
    }

    clipboard.write(one({{"text/plain", large}}));
    const auto [pairs, answers] = requestor.askMultiple({"TARGETS", "TIMESTAMP", "UTF8_STRING"});
    ASSERT_EQ(pairs.size(), 6);
    EXPECT_EQ(pairs[0], connection->atom("TARGETS"));
    EXPECT_EQ(pairs[2], connection->atom("TIMESTAMP"));
    EXPECT_EQ(pairs[4], connection->atom("UTF8_STRING"));
    ASSERT_EQ(answers.size(), 3);
    EXPECT_TRUE(answers[0] && answers[0]->data.size() >= 4 * 4);
    EXPECT_TRUE(answers[1] && answers[1]->data.size() == 4);
    EXPECT_TRUE(answers[2] && answers[2]->data == large) << "the large text did not arrive whole";
}

// MULTIPLE names its conversions in a property of the requestor's: where that holds no list of
// atom pairs there is nothing to answer, and the owner goes on serving.
TEST_F(X11ClipboardTest, MultipleWithoutAListOfPairsIsRefused) {
    clipboard.write(one({{"text/plain", "Vorher"}}));
    SelectionRequestor requestor(*connection);
    const auto atoms = [](QList<quint32> values) {
        return QByteArray(reinterpret_cast<const char*>(values.constData()),
                          values.size() * qsizetype(sizeof(quint32)));
    };
    const quint32 pair = connection->atom("ATOM_PAIR");
    const quint32 utf8 = connection->atom("UTF8_STRING");
    const quint32 part = connection->atom("REQUESTOR_PART_0");
    struct Case {
        const char* name;
        std::optional<SelectionRequestor::Answer> pairs;
        quint8 format;
    };
    const Case cases[] = {
        {"a property the requestor does not have", std::nullopt, 32},
        {"a text", SelectionRequestor::Answer{utf8, "UTF8_STRING REQUESTOR_PART_0"}, 8},
        {"an odd number of atoms", SelectionRequestor::Answer{pair, atoms({utf8, part, utf8})}, 32},
        {"numbers, not atoms", SelectionRequestor::Answer{XCB_ATOM_INTEGER, atoms({utf8, part})},
         32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(requestor.askMultipleWith(c.pairs, c.format));
        const std::optional<SelectionRequestor::Answer> after = requestor.ask("UTF8_STRING");
        EXPECT_TRUE(after && after->data == "Vorher");
    }
}

// A requestor whose window is gone takes no more pieces: its large answer gives up its place at
// once, however many such requestors there were, and the next requestor gets the text.
TEST_F(X11ClipboardTest, ALargeAnswerEndsWithItsRequestorsWindow) {
    QByteArray large(600 * 1024, 'y');
    clipboard.write(one({{"text/plain", large}}));
    struct Case {
        const char* name;
        // Takes part of an answer and goes; false when the answer did not begin.
        std::function<bool(std::shared_ptr<XcbConnection>&, std::unique_ptr<SelectionRequestor>&)>
            leave;
    };
    const Case cases[] = {
        {"its window destroyed half-way",
         [](auto&, auto& requestor) {
             const bool began = requestor->takeFirstPiece("UTF8_STRING");
             requestor->destroyWindow();
             return began;
         }},
        {"its connection closed half-way",
         [](auto& own, auto& requestor) {
             const bool began = requestor->takeFirstPiece("UTF8_STRING");
             requestor.reset();
             own.reset();
             return began;
         }},
        {"its window destroyed as it asks",
         [](auto&, auto& requestor) {
             requestor->askAndVanish("UTF8_STRING");
             return true;
         }},
    };
    const auto gone = [&](quint32 window) {
        xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
            connection->connection(), xcb_get_window_attributes(connection->connection(), window),
            nullptr);
        const bool exists = reply != nullptr;
        std::free(reply);
        return !exists;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // More than ever go out at once, each from a program of its own. All of them are there
        // from the start: a program that comes after one has gone may get its window's id, and
        // with it the answer into that window.
        std::vector<std::shared_ptr<XcbConnection>> programs;
        std::vector<std::unique_ptr<SelectionRequestor>> requestors;
        for (int i = 0; i < 12; ++i) {
            programs.push_back(XcbConnection::open());
            requestors.push_back(std::make_unique<SelectionRequestor>(*programs.back()));
        }
        for (int i = 0; i < 12; ++i) {
            const quint32 window = requestors[i]->window();
            EXPECT_TRUE(c.leave(programs[i], requestors[i])) << i;
            EXPECT_TRUE(QTest::qWaitFor([&] { return gone(window); }, 2000));
        }
        // Once the owner has answered this, it has seen every request and its outcome before.
        SelectionRequestor next(*connection);
        EXPECT_TRUE(next.ask("TARGETS").has_value());
        const std::optional<SelectionRequestor::Answer> answer = next.ask("UTF8_STRING");
        EXPECT_TRUE(answer && answer->data == large) << "the large text did not arrive";
    }
}

// What Tavrin writes right after another program took the clipboard, or right after it
// emptied the clipboard itself, is the clipboard, however late the report of the earlier
// change comes.
TEST_F(X11ClipboardTest, AWriteRightAfterAnEarlierChangeIsTheClipboard) {
    for (const bool emptiedByTavrin : {false, true}) {
        for (int round = 0; round < 10; ++round) {
            SCOPED_TRACE(round);
            SCOPED_TRACE(emptiedByTavrin);
            std::optional<ScriptedSelectionOwner> other;
            if (emptiedByTavrin)
                clipboard.write({});
            else
                other.emplace(QList<Target>{{"UTF8_STRING", "Fremd"}});
            const QByteArray mine = "Tavrin " + QByteArray::number(round);
            clipboard.write(one({{"text/plain", mine}}));
            QTest::qWait(50);
            EXPECT_TRUE(clipboard.holdsOwnWrite());
            EXPECT_EQ(xclipOut(), mine);
        }
    }
}

// Parcellite, a clipboard history that does not own CLIPBOARD_MANAGER, puts its last copy back
// when the clipboard's owner goes; so does Diodon, which fetches a write at once but keeps it
// only once it has asked what else the write holds, a moment later (within 50 ms on a busy
// machine). An owner that goes right after a write serves it until a program that watches the
// clipboard has fetched it and a moment longer, also when the fetch came before the owner began
// to go; never more than that.
TEST_F(X11ClipboardTest, AnOwnerThatGoesLetsTheClipboardsWatchersFetchItsLatestWrite) {
    const QByteArray display = qgetenv("DISPLAY");
    const auto goes = [](std::unique_ptr<X11SelectionOwner>& owner) {
        QElapsedTimer took;
        took.start();
        owner.reset();
        return took.elapsed();
    };
    // Parcellite asks twice a second; Diodon asks at once and keeps what it got a moment later.
    const struct {
        const char* name;
        const char* program;
        QStringList arguments;
        // The owner begins to go once the history has fetched the write, which is held there,
        // as a busy machine holds it, until the owner is on its way.
        bool heldOnceFetched;
    } cases[] = {{"Parcellite", "parcellite", {"-n"}, false},
                 {"Diodon", "diodon", {}, false},
                 {"Diodon, held once it fetched", "diodon", {}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepareDiodon();
        QProcess history;
        history.start(QString::fromLatin1(c.program), c.arguments);
        ASSERT_TRUE(history.waitForStarted());
        auto owner = std::make_unique<X11SelectionOwner>(display, "CLIPBOARD");
        // Once it runs, the history fetches every new clipboard.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                owner->offer(one({{"text/plain", "bereit"}}));
                return QTest::qWaitFor([&] { return owner->fetched(); }, 1000);
            },
            20000))
            << "the history never asked";
        QTest::qWait(500);
        owner->offer(one({{"text/plain", "Entwurf"},
                          {"org.nspasteboard.TransientType", ""},
                          {"x-kde-passwordManagerHint", "secret"}}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return owner->fetched(); }, 10000));
        QTest::qWait(500);

        owner->offer(one({{"text/plain", "vorher"}}));
        std::optional<std::thread> resumes;
        if (c.heldOnceFetched) {
            // Diodon asks what else the write holds a millisecond after its fetch on an idle
            // machine: it is held the moment the fetch is served.
            QElapsedTimer waited;
            waited.start();
            while (!owner->fetched() && waited.elapsed() < 10000) {
            }
            ASSERT_TRUE(owner->fetched());
            const auto pid = static_cast<pid_t>(history.processId());
            ::kill(pid, SIGSTOP);
            resumes.emplace([pid] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                ::kill(pid, SIGCONT);
            });
        }
        const qint64 watchedMs = goes(owner);
        if (resumes)
            resumes->join();
        EXPECT_TRUE(QTest::qWaitFor([] { return !xclipOut().isEmpty(); }, 3000))
            << "the history put nothing back";
        EXPECT_EQ(xclipOut(), "vorher");
        // Bounded: the watcher gets its moments, no more.
        EXPECT_LT(watchedMs, 4000);

        history.kill();
        history.waitForFinished();
        owner = std::make_unique<X11SelectionOwner>(display, "CLIPBOARD");
        owner->offer(one({{"text/plain", "unbeobachtet"}}));
        const qint64 unwatchedMs = goes(owner);
        EXPECT_LT(unwatchedMs, 1000);
        RecordProperty(QStringLiteral("goingAwayWatchedMs-%1%2")
                           .arg(QLatin1String(c.program),
                                c.heldOnceFetched ? QStringLiteral("-held") : QString())
                           .toStdString(),
                       static_cast<int>(watchedMs));
    }
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
