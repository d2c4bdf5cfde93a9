#include <gtest/gtest.h>

#include <QTest>

#include "FakeInserterDesk.h"
#include "Output/TextInserter.h"
#include "Platform/AccessibilityWorker.h"
#include "support/WorkerSteps.h"
#include "Platform/fake/FakeAccessibilityTree.h"

using namespace Platform;
using Sent = FakeKeySender::Sent;

namespace {

QByteArray textOf(const ClipboardContents& contents) {
    return contents.value(0).representations.value(0).data;
}

// "Vorher" on the clipboard, put there by another program; the editor's window of process 42
// as the target, which takes no text in time unless a test reads it as the target.
struct WaitingDesk : FakeInserterDesk {
    WaitingDesk() {
        target.windowId = 0x1200007;
        target.processIdentifier = 42;
        clipboard.writeAsOtherProgram(plainText("Vorher"));
        clipboard.fetchAfter.reset();
    }

    RunningApplication target;
};

// A busy program takes every paste key queued for it once it runs again, each reading the
// clipboard as it is then. While a key of Tavrin's is unanswered there, no second one goes to
// that program: in the same window the earlier key pastes the later text, once; elsewhere the
// user's own paste gets what the user has, never the earlier text.
TEST(TextInserterWaitingTest, NoSecondPasteKeyGoesToAProgramWhoseKeyIsUnanswered) {
    struct Case {
        const char* name;
        // The later insert: into which window of which process, how long after the first.
        quint32 window;
        qint32 process;
        int after;
        std::vector<Sent> keys;
        // What the user's own paste in the later window gets, and then the program's read for
        // the first key.
        QByteArray userGets;
        QByteArray firstKeyGets;
        // What the caller of each insert heard: the first's late word, the later's outcome.
        std::optional<bool> firstLate;
        bool laterWaiting;
        bool laterTargetBusy = false;
    };
    constexpr quint32 chat = 0x1200099;
    const Case cases[] = {
        {"the same window", 0x1200007, 42, 6000, {paste(150)}, "Zweiter", "Zweiter", false, true},
        {"the same window, the earlier key long lost", 0x1200007, 42, 40000,
         {paste(150), paste(40150)}, "Zweiter", "Zweiter", false, true},
        // Its key would be answered with the later text, in the wrong window. The later text
        // goes to the caller, to be put where the user pastes from.
        {"another window of the same program", chat, 42, 6000, {paste(150)}, "Vorher", "Erster",
         std::nullopt, false, true},
        {"another window of the same program, the earlier key long lost", chat, 42, 40000,
         {paste(150), paste(40150)}, "Zweiter", "Zweiter", false, true},
        {"another program", chat, 77, 6000, {paste(150), paste(6150)}, "Zweiter", "Erster",
         std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaitingDesk d;
        // As the window system tells: both windows of process 42 are one program.
        d.clipboard.processes = {{d.target.windowId, 42}, {c.window, c.process}};
        d.windows.activeWindow = d.target.windowId;
        std::optional<TextInserter::Insertion> firstDone;
        std::optional<TextInserter::Insertion> firstLate;
        d.inserter.insert(
            "Erster", d.target, false,
            [&](const TextInserter::Insertion& insertion) { firstDone = insertion; },
            [&](const TextInserter::Insertion& insertion) { firstLate = insertion; });
        d.clock.advance(ms(c.after));
        ASSERT_TRUE(firstDone && firstDone->waiting);

        RunningApplication later = d.target;
        later.windowId = c.window;
        later.processIdentifier = c.process;
        d.windows.activeWindow = c.window;
        std::optional<TextInserter::Insertion> laterDone;
        d.inserter.insert("Zweiter", later, false,
                          [&](const TextInserter::Insertion& insertion) { laterDone = insertion; });
        d.clock.advance(ms(6000));

        EXPECT_EQ(d.keys.sent, c.keys);
        EXPECT_EQ(firstLate.has_value(), c.firstLate.has_value());
        if (firstLate && c.firstLate) {
            EXPECT_EQ(firstLate->pasted, *c.firstLate);
        }
        ASSERT_TRUE(laterDone);
        EXPECT_FALSE(laterDone->pasted);
        EXPECT_EQ(laterDone->waiting, c.laterWaiting);
        EXPECT_EQ(laterDone->targetBusy, c.laterTargetBusy);
        EXPECT_EQ(textOf(d.clipboard.pasteAsUser(c.window)), c.userGets);
        EXPECT_EQ(textOf(d.clipboard.fetchAsTarget(d.target.windowId)), c.firstKeyGets);
    }
}

// A key that reached a program which handled it without pasting (a button had the keyboard, the
// field took part of the text) holds up no later insert there, however soon it comes.
TEST(TextInserterWaitingTest, AKeyTheProgramAnsweredHoldsUpNoLaterInsert) {
    struct Case {
        const char* name;
        // Whether the program answers that it has handled everything sent to it.
        bool answers;
        std::vector<Sent> keys;
        bool laterTargetBusy;
    };
    const Case cases[] = {
        {"a program that handled the key without pasting", true, {paste(150), paste(6150)}, false},
        {"a program that has not answered since the key", false, {paste(150)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaitingDesk d;
        constexpr quint32 chat = 0x1200099;
        d.clipboard.processes = {{d.target.windowId, 42}, {chat, 42}};
        d.windows.activeWindow = d.target.windowId;
        if (c.answers)
            d.windows.answering.insert(d.target.windowId);
        d.inserter.insert("Erster", d.target, false);
        d.clock.advance(ms(6000));
        RunningApplication later = d.target;
        later.windowId = chat;
        d.windows.activeWindow = chat;
        std::optional<TextInserter::Insertion> laterDone;
        d.inserter.insert("Zweiter", later, false,
                          [&](const TextInserter::Insertion& insertion) { laterDone = insertion; });
        d.clock.advance(ms(6000));

        EXPECT_EQ(d.keys.sent, c.keys);
        ASSERT_TRUE(laterDone);
        EXPECT_EQ(laterDone->targetBusy, c.laterTargetBusy);
        EXPECT_EQ(d.windows.pings, std::vector<quint32>{d.target.windowId});
    }
}

// The program wakes and answers the earlier key with the later text: that text's field shows
// it, and it counts as inserted, however long ago the earlier key went out.
TEST(TextInserterWaitingTest, ALaterTextThatTookOverAKeyIsInsertedWhenTheProgramWakes) {
    // The field read right before the later text is what the waiting key pastes into: a page
    // whose renderer is busy still shows what the user typed meanwhile.
    const struct {
        const char* name;
        QString typedMeanwhile;
    } cases[] = {{"nothing typed meanwhile", ""}, {"typed meanwhile", "du "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaitingDesk d;
        d.windows.activeWindow = d.target.windowId;
        FocusedField focused{42, "GTK 3.24.38", ":1.9:/entry", "Hallo "};
        focused.field->selectionRangeValue = Platform::TextRange{6, 6};
        AccessibilityWorker worker{focused.tree.factory()};
        FieldRestorer restorer{worker, d.clock};
        TextInserter inserter{
            {d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust, &restorer}};
        WorkerSteps steps(worker, d.clock);
        const auto runUntil = [&](auto done) { return steps.until(done, Milliseconds(10)); };
        std::optional<TextInserter::Insertion> first;
        inserter.insert("Erster", d.target, false,
                        [&](const TextInserter::Insertion& insertion) { first = insertion; });
        ASSERT_TRUE(runUntil([&] { return first.has_value(); }));
        ASSERT_TRUE(first->waiting);
        focused.field->textValue += c.typedMeanwhile;
        const int caret = 6 + static_cast<int>(c.typedMeanwhile.size());
        focused.field->selectionRangeValue = Platform::TextRange{caret, caret};
        std::optional<TextInserter::Insertion> later;
        inserter.insert("Zweiter", d.target, false,
                        [&](const TextInserter::Insertion& insertion) { later = insertion; });
        ASSERT_TRUE(runUntil([&] { return d.clock.monotonic() > ms(7500); }));
        // The program answers its one key now.
        focused.field->textValue +=
            QString::fromUtf8(textOf(d.clipboard.fetchAsTarget(d.target.windowId)));
        ASSERT_TRUE(runUntil([&] { return later.has_value(); }));

        EXPECT_EQ(d.keys.sent, std::vector<Sent>{paste(150)});
        EXPECT_TRUE(later->pasted);
        EXPECT_FALSE(later->waiting);
        EXPECT_EQ(focused.field->textValue, "Hallo " + c.typedMeanwhile + "Zweiter");
    }
}

// A page whose renderer is busy has its key waiting; the user inserts a text written for another
// field of the same window (another tab). That key would paste it into the busy page: no key
// goes out, and the busy page still gets its own text when it runs.
TEST(TextInserterWaitingTest, AWaitingKeyTakesALaterTextOnlyForItsOwnField) {
    const struct {
        const char* name;
        bool anotherField;
        bool laterPasted;
        bool laterTargetBusy;
        QByteArray busyPageGets;
    } cases[] = {
        {"the same field", false, true, false, "Zweiter"},
        {"another field of the window", true, false, true, "Erster"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaitingDesk d;
        d.windows.activeWindow = d.target.windowId;
        FocusedField focused{42, "Chromium", ":1.9:/tabA", "Hallo "};
        focused.field->selectionRangeValue = Platform::TextRange{6, 6};
        auto tabB = std::make_shared<FakeAccessible>();
        tabB->editable = true;
        tabB->roleValue = QStringLiteral("AXTextField");
        tabB->identityValue = QStringLiteral(":1.9:/tabB");
        tabB->textValue = QStringLiteral("Liebe ");
        tabB->selectionRangeValue = Platform::TextRange{6, 6};
        AccessibilityWorker worker{focused.tree.factory()};
        FieldRestorer restorer{worker, d.clock};
        TextInserter inserter{
            {d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust, &restorer}};
        WorkerSteps steps(worker, d.clock);
        const auto runUntil = [&](auto done) { return steps.until(done, Milliseconds(10)); };
        // The browser reads the clipboard as the key arrives; its page pastes only later.
        d.clipboard.fetchAfter = Milliseconds(10);
        std::optional<TextInserter::Insertion> first;
        inserter.insert("Erster", d.target, false,
                        [&](const TextInserter::Insertion& insertion) { first = insertion; });
        ASSERT_TRUE(runUntil([&] { return first.has_value(); }));
        ASSERT_TRUE(first->waiting);
        d.clipboard.fetchAfter.reset();
        if (c.anotherField)
            focused.window->focusedElementValue = tabB;
        std::optional<TextInserter::Insertion> later;
        inserter.insert("Zweiter", d.target, false,
                        [&](const TextInserter::Insertion& insertion) { later = insertion; });
        ASSERT_TRUE(runUntil([&] { return d.clock.monotonic() > ms(6500); }));
        // The busy page pastes now, for its one key.
        const QByteArray got = textOf(d.clipboard.fetchAsTarget(d.target.windowId));
        focused.field->textValue += QString::fromUtf8(got);
        ASSERT_TRUE(runUntil([&] { return later.has_value(); }));

        EXPECT_EQ(d.keys.sent, std::vector<Sent>{paste(150)});
        EXPECT_EQ(got, c.busyPageGets);
        EXPECT_EQ(later->pasted, c.laterPasted);
        EXPECT_EQ(later->targetBusy, c.laterTargetBusy);
    }
}

// Where the field cannot tell whether the paste has landed, the fetch is the only sign, and it
// may come before the paste: a browser reads the clipboard as the key arrives, and its busy page
// reads it again when it pastes. That program's reads for the key still get the text after the
// insert, however late; the user's own paste there gets what the user has, and so does every
// later read that does not say it is the key's. Where the user's pastes cannot be seen, nothing
// is kept.
TEST(TextInserterWaitingTest, AfterAFetchAloneTheKeysReadsGetTheTextAndTheUsersPasteTheirs) {
    struct Case {
        const char* name;
        bool seesUserPastes;
        bool stamped;
        // What a read for the key gets long after the insert, and after the user's own paste.
        QByteArray keyGetsLater;
        QByteArray keyGetsAfterUser;
        // The user pastes from a menu, with no paste key: a click or a key there is all.
        bool fromMenu = false;
    };
    const Case cases[] = {
        {"a program that stamps its reads", true, true, "Hallo", "Hallo"},
        {"one that does not: after the user's paste every read is the user's", true, false,
         "Hallo", "Vorher"},
        {"the user's pastes not seen: nothing kept", false, true, "Vorher", "Vorher"},
        {"a menu's paste in one that does not stamp", true, false, "Hallo", "Vorher", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaitingDesk d;
        d.windows.activeWindow = d.target.windowId;
        d.clipboard.fetchAfter = Milliseconds(10);
        d.clipboard.seesUserPastes = c.seesUserPastes;
        if (!c.stamped)
            d.clipboard.unstamped.insert(d.target.windowId);
        std::optional<TextInserter::Insertion> done;
        d.inserter.insert("Hallo", d.target, false,
                          [&](const TextInserter::Insertion& insertion) { done = insertion; });
        d.clock.advance(ms(1500));

        ASSERT_TRUE(done);
        EXPECT_TRUE(done->pasted);
        EXPECT_EQ(textOf(d.clipboard.contents), "Vorher");
        d.clock.advance(ms(60000));
        EXPECT_EQ(textOf(d.clipboard.fetchAsTarget(d.target.windowId)), c.keyGetsLater);
        if (c.fromMenu) {
            d.clipboard.inputAsUser(d.target.windowId);
        } else {
            EXPECT_EQ(textOf(d.clipboard.pasteAsUser(d.target.windowId)), "Vorher");
        }
        EXPECT_EQ(textOf(d.clipboard.fetchAsTarget(d.target.windowId)), c.keyGetsAfterUser);
    }
}

// A terminal of the xterm family pastes the primary selection. It takes its text late, after
// another text went elsewhere through the clipboard alone: the user's selection comes back all
// the same.
TEST(TextInserterWaitingTest, AnXtermsSelectionComesBackAfterItTookItsTextLate) {
    WaitingDesk d;
    FakeClipboard primary{&d.clock};
    primary.writeAsOtherProgram(plainText("Auswahl"));
    primary.fetchAfter.reset();
    d.terminals.primaryPasting.insert(d.target.windowId);
    TextInserter inserter{{d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust, nullptr,
                           &d.terminals, &primary}};
    d.windows.activeWindow = d.target.windowId;
    std::optional<TextInserter::Insertion> late;
    inserter.insert(
        "ls -la", d.target, false, {},
        [&](const TextInserter::Insertion& insertion) { late = insertion; });
    d.clock.advance(ms(6000));

    RunningApplication editor;
    editor.windowId = 0x3400009;
    editor.processIdentifier = 77;
    d.windows.activeWindow = editor.windowId;
    d.clipboard.fetchAfter = Milliseconds(10);
    inserter.insert("Hallo", editor, false);
    d.clock.advance(ms(2000));
    EXPECT_EQ(textOf(primary.fetchAsTarget(d.target.windowId)), "ls -la");
    d.clock.runUntilIdle();

    ASSERT_TRUE(late);
    EXPECT_TRUE(late->pasted);
    EXPECT_EQ(textOf(primary.contents), "Auswahl") << "the user's selection is lost";
    EXPECT_EQ(textOf(d.clipboard.contents), "Vorher");
}

}  // namespace
