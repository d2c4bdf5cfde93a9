#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>

#include "Output/FieldRestorer.h"
#include "Output/TextInserter.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/linux/AtspiAccessibilityTree.h"
#include "Output/X11InserterDesk.h"
#include "support/Browsers.h"
#include "support/Files.h"
#include "support/Programs.h"

using namespace Platform;

namespace {

// A draft of several megabytes: long lines, as a generated document has them.
QString largeDraft(qsizetype size = 3'000'000) {
    QString text = QStringLiteral("Anfang\n");
    const QString line = QString(79, QLatin1Char('x')) + QLatin1Char('\n');
    while (text.size() < size)
        text += line;
    return text + QStringLiteral("Ende");
}

// The inserter on the real backends, with the field read on the accessibility bus, and a
// browser or a GTK window as the target.
class LargeDraftX11Test : public ::testing::Test, protected X11InserterDesk {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(startWindowManager(windowManager));
        turnOnAccessibility();
        xclipIn("Vorher");
    }

    void TearDown() override {
        for (QProcess* process : {&application, &windowManager}) {
            if (process->processId() > 0)
                ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    // The window titled `title` of the program just started, with the keyboard.
    void waitForWindow(const QString& title) {
        quint64 window = 0;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                window = runProgram(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), title})
                             .trimmed()
                             .split('\n')
                             .first()
                             .toULongLong();
                return window != 0 && windows.isActive({.windowId = quint32(window)});
            },
            30000));
        target.windowId = static_cast<quint32>(window);
        target.processIdentifier =
            runProgram(QStringLiteral("xdotool"),
                       {QStringLiteral("getwindowpid"), QString::number(window)})
                .trimmed()
                .toInt();
    }

    // The field the inserter would read, once the application shows it on the bus.
    std::optional<FieldRestorer::Field> field() {
        std::optional<FieldRestorer::Reading> reading;
        restorer.read(target.processIdentifier,
                      [&](FieldRestorer::Reading r) { reading = std::move(r); });
        if (!QTest::qWaitFor([&] { return reading.has_value(); }, 5000))
            return std::nullopt;
        return reading->field;
    }

    QProcess windowManager;
    QProcess application;
    QTemporaryDir profile;
    RunningApplication target;
    AccessibilityWorker worker{[] { return AtspiAccessibilityTree::create(); }};
    FieldRestorer restorer{worker, clock};
    TextInserter withField{
        {clock, clipboard, keys, windows, modifiers, trust, &restorer, &terminals, &primary}};
};

// The text area shows the whole draft only long after the page has it (the browser shows
// megabytes to assistive programs late, the later the more): the insertion waits for it and
// says so, and the user's clipboard stays theirs throughout.
TEST_F(LargeDraftX11Test, AChromiumTextAreaTakesASeveralMegabyteDraft) {
    application.start(QStringLiteral("chromium"),
                      Browsers::chromiumArguments(
                          profile.path(),
                          QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/message.html")));
    waitForWindow(QStringLiteral("^Nachricht von Jana - Chromium$"));
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(QTest::qWaitFor([&] { return field().has_value(); }, 15000))
        << "the text area never showed on the accessibility bus";

    const QString draft = largeDraft();
    std::optional<TextInserter::Insertion> done;
    std::optional<TextInserter::Insertion> late;
    withField.insert(
        draft, target, false, [&](const TextInserter::Insertion& i) { done = i; },
        [&](const TextInserter::Insertion& i) { late = i; });
    EXPECT_EQ(xclipOut(), "Vorher");
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 200000));

    EXPECT_TRUE(done->pasted) << "told that the draft did not go in";
    EXPECT_FALSE(done->waiting);
    const std::optional<FieldRestorer::Field> now = field();
    ASSERT_TRUE(now);
    EXPECT_EQ(now->text.size(), 6 + draft.size()) << "the text area does not hold the draft";
    EXPECT_EQ(xclipOut(), "Vorher");
}

// A GTK text view lays five megabytes out for seconds after it has them, answering each
// question late meanwhile: it holds the draft all the same, and the insertion says so.
TEST_F(LargeDraftX11Test, AGtkTextViewTakesAFiveMegabyteDraft) {
    application.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(TAVRIN_GTK_TEXT_VIEW)});
    waitForWindow(QStringLiteral("^GTK-Textansicht$"));
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(QTest::qWaitFor([&] { return field().has_value(); }, 15000));

    const QString draft = largeDraft(5'000'000);
    std::optional<TextInserter::Insertion> done;
    QElapsedTimer elapsed;
    elapsed.start();
    withField.insert(draft, target, false, [&](const TextInserter::Insertion& i) { done = i; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 200000));
    RecordProperty("toldAfterMs", static_cast<int>(elapsed.elapsed()));

    EXPECT_TRUE(done->pasted) << "told that the draft did not go in";
    EXPECT_EQ(xclipOut(), "Vorher");
}

// Chromium as it starts by default shows no fields: the fetch is all that tells the paste.
// The user's own paste right after it gets what the user copied, never the draft again.
TEST_F(LargeDraftX11Test, AChromiumPageWithoutFieldsGivesTheUsersOwnPasteTheirClipboard) {
    QStringList arguments = Browsers::chromiumArguments(
        profile.path(),
        QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/message.html#reply=Welt&mirror"));
    arguments.removeAll(QStringLiteral("--force-renderer-accessibility"));
    application.start(QStringLiteral("chromium"), arguments);
    waitForWindow(QStringLiteral("^Nachricht von Jana - Chromium$"));
    if (HasFatalFailure())
        return;
    const auto title = [&] {
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("getwindowname"), QString::number(target.windowId)})
            .trimmed();
    };

    std::optional<TextInserter::Insertion> done;
    withField.insert(QStringLiteral("Anna"), target, false,
                     [&](const TextInserter::Insertion& i) { done = i; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 10000));
    EXPECT_TRUE(done->pasted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return title().startsWith("Feld: Hallo Anna"); }, 5000))
        << title().toStdString();
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+v")});

    EXPECT_TRUE(QTest::qWaitFor([&] { return title() == "Feld: Hallo AnnaVorher - Chromium"; },
                                5000))
        << title().toStdString();
}

// Writer takes a large draft as thousands of paragraphs, laying them out for a long while and
// answering no question meanwhile: the insertion is told within seconds of Writer having the
// draft, never as not inserted while the draft goes into the letter.
TEST_F(LargeDraftX11Test, AWriterLetterTakesALargeDraftAndSaysSoSoon) {
    QTemporaryDir documents;
    const QString letter = documents.filePath(QStringLiteral("brief.fodt"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_FIXTURES_DIR "/documents/brief.fodt"), letter));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SAL_USE_VCLPLUGIN"), QStringLiteral("gtk3"));
    application.setProcessEnvironment(environment);
    application.start(QStringLiteral("soffice"),
                      {QStringLiteral("--writer"), QStringLiteral("--norestore"),
                       QStringLiteral("--nologo"), letter});
    waitForWindow(QStringLiteral("LibreOffice Writer$"));
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(QTest::qWaitFor([&] { return field().has_value(); }, 60000))
        << "the letter never showed on the accessibility bus";

    const QString draft = largeDraft(200'000);
    std::optional<TextInserter::Insertion> done;
    QElapsedTimer elapsed;
    elapsed.start();
    withField.insert(draft, target, false, [&](const TextInserter::Insertion& i) { done = i; });
    // Writer lays 200 kB out for about a minute; a busy machine may stretch the seconds.
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 45000))
        << "nothing told while Writer lays the draft out";
    RecordProperty("toldAfterMs", static_cast<int>(elapsed.elapsed()));
    EXPECT_TRUE(done->pasted) << "told that the draft did not go in";
    EXPECT_FALSE(done->waiting);
    EXPECT_EQ(xclipOut(), "Vorher");
}

// A Firefox page whose processes are stopped holds Tavrin's paste key while the browser's main
// process goes on answering the window manager. A retry for the same field takes that key's
// place, and the page pastes the retried draft once when it runs again, never twice.
TEST_F(LargeDraftX11Test, ARetryIntoABusyFirefoxPagePastesOnce) {
    application.start(
        QStringLiteral("firefox-esr"),
        Browsers::firefoxArguments(
            profile.filePath(QStringLiteral("firefox")),
            QStringLiteral("file://" TAVRIN_FIXTURES_DIR "/pages/message.html#reply=&mirror")));
    waitForWindow(QStringLiteral("Nachricht von Jana"));
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(QTest::qWaitFor([&] { return field().has_value(); }, 30000))
        << "the text area never showed on the accessibility bus";
    const auto title = [&] {
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("getwindowname"), QString::number(target.windowId)})
            .trimmed();
    };
    // The processes of the page's tabs.
    QList<pid_t> pages;
    for (const QByteArray& line :
         runProgram(QStringLiteral("pgrep"), {QStringLiteral("-f"), QStringLiteral("contentproc")})
             .split('\n')) {
        const QByteArray command =
            readFile(QStringLiteral("/proc/%1/cmdline").arg(QString::fromLatin1(line.trimmed())));
        if (!line.trimmed().isEmpty() && command.contains("tab"))
            pages.append(static_cast<pid_t>(line.trimmed().toInt()));
    }
    ASSERT_FALSE(pages.isEmpty());
    for (const pid_t page : pages)
        ::kill(page, SIGSTOP);

    std::optional<TextInserter::Insertion> first;
    withField.insert(QStringLiteral("Anna"), target, false,
                     [&](const TextInserter::Insertion& i) { first = i; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.has_value(); }, 10000));
    EXPECT_TRUE(first->waiting) << "told that a stopped page took the draft";
    std::optional<TextInserter::Insertion> retry;
    withField.insert(QStringLiteral("Bert"), target, false,
                     [&](const TextInserter::Insertion& i) { retry = i; });
    QTest::qWait(1500);
    for (const pid_t page : pages)
        ::kill(page, SIGCONT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return retry.has_value(); }, 10000));

    ASSERT_TRUE(QTest::qWaitFor([&] { return title().startsWith("Feld: Hallo "); }, 8000))
        << title().toStdString();
    QTest::qWait(1500);
    EXPECT_TRUE(title().startsWith("Feld: Hallo Bert ")) << "pasted other than once: "
                                                        << title().toStdString();
    EXPECT_TRUE(retry->pasted);
    EXPECT_EQ(xclipOut(), "Vorher");
}

// A field that keeps no more than so many characters took the beginning of the draft: that is
// the paste, said as such, and the user's clipboard stays theirs.
TEST_F(LargeDraftX11Test, AFieldThatKeepsPartOfTheDraftTookThePaste) {
    struct Case {
        const char* name;
        bool browser;
        qsizetype draftSize;
        qsizetype kept;
    };
    const Case cases[] = {
        {"a text area with maxlength 20", true, 60, 20},
        {"a GTK entry, which keeps 65,535 characters", false, 70'000, 65'535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.browser) {
            application.start(
                QStringLiteral("chromium"),
                Browsers::chromiumArguments(
                    profile.path(), QStringLiteral("file://" TAVRIN_FIXTURES_DIR
                                                   "/pages/message.html#reply=&maxlength=20")));
            waitForWindow(QStringLiteral("^Nachricht von Jana - Chromium$"));
        } else {
            application.start(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral(TAVRIN_GTK_CHAT_ENTRY)});
            waitForWindow(QStringLiteral("^GTK-Eingabe$"));
        }
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(QTest::qWaitFor([&] { return field().has_value(); }, 15000));
        const std::optional<FieldRestorer::Field> before = field();

        QString draft;
        while (draft.size() < c.draftSize)
            draft += QStringLiteral("Wort%1 ").arg(draft.size() % 10);
        draft.truncate(c.draftSize);
        std::optional<TextInserter::Insertion> done;
        withField.insert(draft, target, false, [&](const TextInserter::Insertion& i) { done = i; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 30000));

        EXPECT_TRUE(done->pasted) << "told that nothing went in";
        EXPECT_TRUE(done->partial);
        EXPECT_FALSE(done->waiting);
        const std::optional<FieldRestorer::Field> now = field();
        ASSERT_TRUE(now && before);
        // GTK counts its limit its own way: one character either side.
        EXPECT_NEAR(double(now->text.size()), double(c.kept), 1.0);
        EXPECT_EQ(xclipOut(), "Vorher");
        application.terminate();
        application.waitForFinished(5000);
    }
}

}  // namespace
