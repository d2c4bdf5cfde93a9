#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <thread>

#include "FakeInserterDesk.h"
#include "Output/TextInserter.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/fake/FakeAccessibilityTree.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeKeySender.h"
#include "Platform/fake/FakeModifierState.h"
#include "Platform/fake/FakeTerminalWindows.h"
#include "Platform/fake/FakeWindowActivation.h"
#include "support/WorkerSteps.h"

using namespace Platform;
using Sent = FakeKeySender::Sent;

namespace Platform {
void PrintTo(const FakeKeySender::Sent& sent, std::ostream* out) {
    *out << "key " << sent.keyCode << " flags 0x" << std::hex << sent.flags << std::dec << " at "
         << std::chrono::duration_cast<Milliseconds>(sent.at).count() << " ms";
}
}  // namespace Platform

namespace {

// A rich-text copy: two items, several formats each, bytes that are not text.
ClipboardContents richContents() {
    return {ClipboardItem{{{"text/plain", QByteArray("Grüße")},
                           {"text/html", QByteArray("<b>Grüße</b>")},
                           {"text/rtf", QByteArray("{\\rtf1 Gr\\'fc\\'dfe}")}}},
            ClipboardItem{{{"image/png", QByteArray("\x89PNG\r\n\x1a\n\0\1", 10)},
                           {"application/x-empty", QByteArray()}}}};
}

const Sent copy(int at) {
    return {ms(at), VirtualKey::C, EventFlag::Command};
}
const Sent returnKey(int at) {
    return {ms(at), VirtualKey::Return, EventFlag::None};
}

// A desktop of fakes at time zero: "Vorher" on the clipboard, put there by another program,
// an editor window as the target, accessibility trusted.
struct Desk : FakeInserterDesk {
    Desk() {
        target.localizedName = "Editor";
        target.windowId = 0x1200007;
        trust.trusted = true;
        clipboard.writeAsOtherProgram(plainText("Vorher"));
    }

    // Plays the front application: on the copy key it puts `selection` on the clipboard
    // after `delay`.
    void copiesSelection(std::optional<QString> selection, Milliseconds delay = Milliseconds(0)) {
        keys.onSend = [this, selection, delay](quint16 key, quint64) {
            if (key != VirtualKey::C || !selection)
                return;
            pendingCopy = clock.singleShot(
                delay, [this, selection] { clipboard.writeAsOtherProgram(plainText(*selection)); });
        };
    }

    RunningApplication target;
    std::unique_ptr<Timer> pendingCopy;
};

TEST(TextInserterTest, InsertFollowsTheTimelineFromTheActivation) {
    // The target fetches the text 10 ms after the paste key, and inserts it a moment later;
    // everyone else gets what the user had, all along.
    struct Case {
        bool pressReturn;
        std::vector<Sent> keys;
        int doneAt;
    };
    const Case cases[] = {
        {true, {paste(150), returnKey(310)}, 740},
        {false, {paste(150)}, 740},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressReturn);
        Desk d;
        std::optional<Nanoseconds> doneAt;

        d.inserter.insert("Hallo", d.target, c.pressReturn,
                          [&](const TextInserter::Insertion&) { doneAt = d.clock.monotonic(); });
        d.clock.runUntilIdle();

        EXPECT_EQ(d.windows.activations,
                  (std::vector<FakeWindowActivation::Activation>{{ms(0), d.target.windowId}}));
        EXPECT_EQ(d.keys.sent, c.keys);
        // Only the program behind the target's window counts as fetching the text.
        EXPECT_EQ(d.clipboard.watchedWindows, std::vector<quint32>{d.target.windowId});
        // Tavrin takes the clipboard over with the user's own, and again once the paste is in
        // (a program that kept what it read for the key reads anew), and writes nothing else.
        ASSERT_EQ(d.clipboard.writes.size(), 2u);
        EXPECT_EQ(d.clipboard.writes[0].at, ms(0));
        EXPECT_EQ(d.clipboard.writes[0].contents, plainText("Vorher"));
        EXPECT_EQ(d.clipboard.writes[1].at, ms(c.doneAt));
        EXPECT_EQ(d.clipboard.writes[1].contents, plainText("Vorher"));
        const ClipboardContents transient = {
            ClipboardItem{{{"text/plain", QByteArray("Hallo")},
                           {"org.nspasteboard.TransientType", QByteArray()},
                           {"x-kde-passwordManagerHint", QByteArray("secret")}}}};
        EXPECT_EQ(d.clipboard.targetReads, std::vector<ClipboardContents>{transient});
        EXPECT_EQ(d.clipboard.contents, plainText("Vorher"));
        EXPECT_EQ(doneAt, ms(c.doneAt));
    }
}

TEST(TextInserterTest, InsertRestoresTheClipboardExactly) {
    const ClipboardContents cases[] = {{}, richContents(), plainText(QString())};
    for (const ClipboardContents& before : cases) {
        SCOPED_TRACE(before.size());
        Desk d;
        d.clipboard.writeAsOtherProgram(before);

        d.inserter.insert("Text", d.target, false);
        d.clock.runUntilIdle();

        EXPECT_EQ(d.clipboard.contents, before);
        ASSERT_EQ(d.clipboard.writes.size(), 2u);
        EXPECT_EQ(d.clipboard.writes[0].contents, before);
        EXPECT_EQ(d.clipboard.writes[1].contents, before);
        ASSERT_EQ(d.clipboard.targetReads.size(), 1u);
        EXPECT_EQ(d.clipboard.targetReads[0].value(0).representations.value(0).data, "Text");
    }
}

TEST(TextInserterTest, AnotherProgramsWriteDuringTheInsertSurvives) {
    struct Case {
        int writtenAt;
        // Before the paste key the key would paste that program's text: it stays home.
        std::vector<Sent> keys;
        // After the target fetched the text it was inserted all the same.
        bool pasted;
    };
    const Case cases[] = {{100, {}, false}, {155, {paste(150)}, false}, {400, {paste(150)}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writtenAt);
        Desk d;
        std::optional<TextInserter::Insertion> done;
        d.inserter.insert("Text", d.target, false,
                          [&](const TextInserter::Insertion& insertion) { done = insertion; });
        d.clock.advance(ms(c.writtenAt));
        d.clipboard.writeAsOtherProgram(plainText("Neu kopiert"));
        d.clock.runUntilIdle();

        EXPECT_EQ(d.keys.sent, c.keys);
        EXPECT_EQ(d.clipboard.contents, plainText("Neu kopiert"));
        EXPECT_EQ(d.clipboard.writes.size(), 1u);
        ASSERT_TRUE(done);
        EXPECT_EQ(done->pasted, c.pasted);
        // The text is not on the clipboard to wait there.
        EXPECT_FALSE(done->waiting);
    }
}

// A busy target (saving, swapping) asks for the text late or not at all: the user's clipboard
// comes back only once it has the text, and a Return only follows the text.
TEST(TextInserterTest, TheUsersClipboardComesBackOnlyOnceTheTargetHasTheText) {
    struct Case {
        const char* name;
        std::optional<int> fetchAfter;
        // Later events, after the insert gave up: the user copies; the target finally asks.
        std::optional<int> userCopiesAt;
        std::optional<int> targetAsksAt;
        std::vector<Sent> keys;
        int doneAt;
        bool pasted;
        QString clipboardAtDone;
        QString clipboardAtEnd;
    };
    const Case cases[] = {
        {"the target stalls for three seconds", 3000, {}, {}, {paste(150), returnKey(3300)}, 3730,
         true, "Vorher", "Vorher"},
        {"the target does not ask in time", {}, {}, {}, {paste(150)}, 5150, false, "Hallo",
         "Hallo"},
        {"it asks later: then the user's clipboard comes back", {}, {}, 8000, {paste(150)}, 5150,
         false, "Hallo", "Vorher"},
        {"the user copied meanwhile: that stays", {}, 6000, 8000, {paste(150)}, 5150, false,
         "Hallo", "Kopiert"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.clipboard.fetchAfter = c.fetchAfter ? std::optional(Milliseconds(*c.fetchAfter))
                                              : std::nullopt;
        std::optional<TextInserter::Insertion> done;
        Nanoseconds doneAt{};
        QString atDone;
        const auto text = [&d] {
            return QString::fromUtf8(d.clipboard.contents.value(0).representations.value(0).data);
        };
        d.inserter.insert("Hallo", d.target, true, [&](const TextInserter::Insertion& insertion) {
            done = insertion;
            doneAt = d.clock.monotonic();
            atDone = text();
        });
        d.clock.runUntilIdle();
        if (c.userCopiesAt) {
            d.clock.advance(ms(*c.userCopiesAt) - d.clock.monotonic());
            d.clipboard.writeAsOtherProgram(plainText("Kopiert"));
        }
        if (c.targetAsksAt) {
            d.clock.advance(ms(*c.targetAsksAt) - d.clock.monotonic());
            d.clipboard.fetchAsTarget();
            d.clock.runUntilIdle();
        }

        EXPECT_EQ(d.keys.sent, c.keys);
        ASSERT_TRUE(done);
        EXPECT_EQ(doneAt, ms(c.doneAt));
        EXPECT_EQ(done->pasted, c.pasted);
        EXPECT_EQ(done->waiting, !c.pasted);
        EXPECT_EQ(atDone, c.clipboardAtDone);
        EXPECT_EQ(text(), c.clipboardAtEnd);
    }
}

// A second insert while the first text still waits for its target: what comes back in the end
// is what the user had before either, never the first text.
TEST(TextInserterTest, AnInsertAfterATextThatWaitsGivesBackTheUsersOwnClipboard) {
    Desk d;
    d.clipboard.fetchAfter.reset();
    d.inserter.insert("Erster", d.target, false);
    d.clock.runUntilIdle();
    d.clipboard.fetchAfter = Milliseconds(10);
    d.inserter.insert("Zweiter", d.target, false);
    d.clock.runUntilIdle();

    EXPECT_EQ(d.clipboard.contents, plainText("Vorher"));
}

TEST(TextInserterTest, ThePasteKeyGoesOutOnlyOverTheInsertedText) {
    struct Case {
        int refusedWrites;
        bool pasteKeyMissing;
        std::vector<Sent> keys;
        bool pasted;
    };
    const Case cases[] = {
        {1, false, {paste(150), returnKey(310)}, true},
        {100, false, {}, false},
        {0, true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusedWrites);
        Desk d;
        d.clipboard.refusedWrites = c.refusedWrites;
        if (c.pasteKeyMissing)
            d.keys.withheld = {VirtualKey::V};
        std::optional<bool> done;

        d.inserter.insert("Hallo", d.target, true, [&](const TextInserter::Insertion& insertion) {
            done = insertion.pasted;
        });
        d.clock.runUntilIdle();

        EXPECT_EQ(d.keys.sent, c.keys);
        for (const ClipboardContents& contents : d.clipboard.targetReads)
            EXPECT_EQ(contents.value(0).representations.value(0).data, QByteArray("Hallo"));
        // Whatever became of the paste, the clipboard holds what the user had.
        EXPECT_EQ(d.clipboard.contents, plainText("Vorher"));
        EXPECT_EQ(done, c.pasted);
    }
}

// A stock xterm pastes the primary selection with Shift+Insert and takes Control+Shift+V for a
// control character: its key's read of the primary selection gets the text, or, where Tavrin
// cannot serve that selection, no key goes out.
TEST(TextInserterTest, AnXtermPastesThePrimarySelectionWhileItHoldsTheText) {
    struct Case {
        const char* name;
        bool primaryBackend;
        int refusedPrimaryWrites;
        std::vector<Sent> keys;
        bool pasted;
    };
    const Sent shiftInsert{ms(150), VirtualKey::Insert, EventFlag::Shift};
    const Case cases[] = {
        {"the primary selection takes the text", true, 0, {shiftInsert}, true},
        {"the primary selection refuses it", true, 100, {}, false},
        {"no primary selection", false, 0, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        FakeTerminalWindows terminals;
        terminals.primaryPasting.insert(d.target.windowId);
        FakeClipboard primary{&d.clock};
        primary.writeAsOtherProgram(plainText("Auswahl"));
        primary.refusedWrites = c.refusedPrimaryWrites;
        TextInserter inserter{{d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust,
                               nullptr, &terminals, c.primaryBackend ? &primary : nullptr}};
        std::optional<bool> done;
        inserter.insert("Hallo", d.target, false,
                        [&](const TextInserter::Insertion& insertion) { done = insertion.pasted; });
        d.clock.runUntilIdle();

        EXPECT_EQ(d.keys.sent, c.keys);
        for (const ClipboardContents& contents : primary.targetReads)
            EXPECT_EQ(contents.value(0).representations.value(0).data, QByteArray("Hallo"));
        EXPECT_EQ(done, c.pasted);
        EXPECT_EQ(d.clipboard.contents, plainText("Vorher"));
        EXPECT_EQ(primary.contents, plainText("Auswahl")) << "the user's selection is lost";
    }
}

// Like the window system's clipboard: a read of Tavrin's own write answers at once, a read of
// another program's contents a moment later, and a write can lose to another program's claim.
class SlowForeignClipboard final : public Clipboard {
public:
    SlowForeignClipboard(FakeClipboard& inner, Clock& clock) : inner_(inner), clock_(clock) {}

    std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) override {
        if (inner_.holdsOwnWrite())
            return inner_.readContents(std::move(done));
        struct Later final : PendingClipboardRead {
            std::unique_ptr<Timer> timer;
        };
        auto later = std::make_unique<Later>();
        later->timer = clock_.singleShot(
            Milliseconds(20), [this, done = std::move(done)] { inner_.readContents(done); });
        return later;
    }
    std::unique_ptr<PendingClipboardRead> saveContents(SaveCallback done) override {
        return readContents([done = std::move(done)](ClipboardContents contents) {
            done(std::move(contents));
        });
    }
    std::unique_ptr<PendingClipboardRead> readText(TextCallback done) override {
        return inner_.readText(std::move(done));
    }
    void write(const ClipboardContents& contents) override {
        if (losesNextWrite.has_value()) {
            inner_.writeAsOtherProgram(*losesNextWrite);
            losesNextWrite.reset();
            return;
        }
        inner_.write(contents);
    }
    bool holdsOwnWrite() override { return inner_.holdsOwnWrite(); }
    quint64 foreignWrites() override { return inner_.foreignWrites(); }
    quint64 ownWrites() override { return inner_.ownWrites(); }
    std::unique_ptr<ClipboardFetch> offerTo(quint32 window, const ClipboardContents& contents,
                                            FetchCallback fetched,
                                            const ClipboardFetch* sameKeyAs) override {
        return inner_.offerTo(window, contents, std::move(fetched), sameKeyAs);
    }
    bool tellsUserPastes() override { return inner_.tellsUserPastes(); }

    // What another program puts on the clipboard just as Tavrin's next write goes out.
    std::optional<ClipboardContents> losesNextWrite;

private:
    FakeClipboard& inner_;
    Clock& clock_;
};

TEST(TextInserterTest, AWriteLostRightAfterReadingTavrinsOwnStartsAgain) {
    Desk d;
    d.clipboard.write(plainText("Eigenes"));
    SlowForeignClipboard clipboard(d.clipboard, d.clock);
    clipboard.losesNextWrite = plainText("Fremd");
    TextInserter inserter({d.clock, clipboard, d.keys, d.windows, d.modifiers, d.trust});
    bool done = false;

    inserter.insert("Hallo", d.target, false, [&](const TextInserter::Insertion&) { done = true; });
    d.clock.runUntilIdle();

    EXPECT_EQ(d.keys.sent, std::vector<Sent>{paste(170)});
    EXPECT_EQ(d.clipboard.contents, plainText("Fremd"));
    EXPECT_TRUE(done);
    EXPECT_FALSE(inserter.isBusy());
}

TEST(TextInserterTest, ReturnGoesOnlyToTheActiveTarget) {
    struct Case {
        const char* name;
        bool hasTarget;
        bool windowManagerRefuses;
        bool targetLosesFocus;
        std::vector<Sent> keys;
        // What the user had stays on the clipboard, whatever became of the paste.
        QString clipboard = "Vorher";
        bool terminal = false;
    };
    const Case cases[] = {
        {"activated", true, false, false, {paste(150), returnKey(310)}},
        // Its shell would run the text.
        {"a terminal", true, false, false, {paste(150)}, "Vorher", true},
        // The paste key, and the text, would go to whatever window is in front.
        {"activation refused", true, true, false, {}},
        {"another window came forward", true, false, true, {paste(150)}},
        {"no target", false, false, false, {paste(150)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.windows.activeWindow = 0x99;
        d.windows.refuses = c.windowManagerRefuses;
        if (c.terminal)
            d.terminals.terminalWindows.insert(d.target.windowId);
        std::optional<RunningApplication> target;
        if (c.hasTarget)
            target = d.target;

        d.inserter.insert("ls -la", target, true);
        d.clock.advance(ms(300));
        if (c.targetLosesFocus)
            d.windows.activeWindow = 0x99;
        d.clock.runUntilIdle();

        EXPECT_EQ(d.keys.sent, c.keys);
        EXPECT_EQ(d.clipboard.contents.value(0).representations.value(0).data,
                  c.clipboard.toUtf8());
    }
}

TEST(TextInserterTest, KeysWaitForHeldModifiers) {
    struct Case {
        const char* name;
        bool copy;
        std::optional<int> releasedAt;
        Sent expected;
    };
    const Case cases[] = {
        {"paste, Alt released during the activation delay", false, 100, paste(150)},
        {"paste, Alt released later", false, 300, paste(300)},
        {"paste, Alt held on", false, std::nullopt, paste(950)},
        {"copy, Command released", true, 100, copy(100)},
        {"copy, Command held on", true, std::nullopt, copy(800)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.modifiers.flags = c.copy ? EventFlag::Command : EventFlag::Option;
        std::unique_ptr<Timer> release;
        if (c.releasedAt)
            release = d.clock.singleShot(Milliseconds(*c.releasedAt),
                                         [&] { d.modifiers.flags = EventFlag::None; });

        if (c.copy)
            d.inserter.copySelection([](std::optional<QString>) {});
        else
            d.inserter.insert("Hallo", d.target, false);
        d.clock.runUntilIdle();

        ASSERT_FALSE(d.keys.sent.empty());
        EXPECT_EQ(d.keys.sent.front(), c.expected);
    }
}

TEST(TextInserterTest, CopySelection) {
    struct Case {
        const char* name;
        bool trusted;
        std::optional<QString> selection;
        int copiedAfter;
        std::optional<QString> result;
        int resultAt;
        bool restored;
        bool keyWithheld = false;
        bool unsaved = false;
    };
    const Case cases[] = {
        {"copied at once", true, "  Ein Satz.\n", 0, "Ein Satz.", 25, true},
        // The copy would replace a clipboard that could not be kept whole.
        {"the user's clipboard does not arrive whole", true, "Markiert", 0, std::nullopt, 0, false,
         false, true},
        {"copied by the 5th poll", true, "Spät", 110, "Spät", 125, true},
        {"only blanks", true, " \n\t ", 0, std::nullopt, 25, true},
        {"no selection", true, std::nullopt, 0, std::nullopt, 200, false},
        {"copied after the last poll", true, "Zu spät", 230, std::nullopt, 200, false},
        {"not trusted", false, "Geheim", 0, std::nullopt, 0, false},
        // An xterm gets no copy key: its answer is not waited for.
        {"no copy key for the window", true, "Markiert", 0, std::nullopt, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.clipboard.writeAsOtherProgram(richContents());
        d.trust.trusted = c.trusted;
        if (c.keyWithheld)
            d.keys.withheld = {VirtualKey::C};
        if (c.unsaved)
            d.clipboard.failedSaves = 1;
        d.copiesSelection(c.selection, Milliseconds(c.copiedAfter));
        std::optional<std::optional<QString>> result;
        Nanoseconds resultAt{};

        d.inserter.copySelection([&](std::optional<QString> text) {
            result = text;
            resultAt = d.clock.monotonic();
        });
        d.clock.advance(ms(1000));

        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, c.result);
        EXPECT_EQ(resultAt, ms(c.resultAt));
        EXPECT_EQ(d.keys.sent, c.trusted && !c.keyWithheld && !c.unsaved
                                   ? std::vector<Sent>{copy(0)}
                                   : std::vector<Sent>{});
        EXPECT_EQ(d.clipboard.writes.size(), c.restored ? 1u : 0u);
        if (c.restored || !c.selection) {
            EXPECT_EQ(d.clipboard.contents, richContents());
        }
    }
}

TEST(TextInserterTest, OverlappingOperationsKeepTheUsersClipboard) {
    struct Step {
        int at;
        enum { Insert, Copy } what;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<Sent> keys;
    };
    const Case cases[] = {
        {"second insert within a second",
         {{0, Step::Insert}, {500, Step::Insert}},
         {paste(150), paste(890)}},
        {"insert during a copy", {{0, Step::Copy}, {10, Step::Insert}}, {copy(0), paste(175)}},
        {"copy during an insert", {{0, Step::Insert}, {100, Step::Copy}}, {paste(150), copy(740)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.clipboard.writeAsOtherProgram(richContents());
        d.copiesSelection("Auswahl");
        std::vector<QString> finished;
        std::vector<std::unique_ptr<Timer>> starts;
        for (const Step& step : c.steps) {
            starts.push_back(d.clock.singleShot(Milliseconds(step.at), [&, step] {
                if (step.what == Step::Insert)
                    d.inserter.insert(
                        "Entwurf", d.target, false,
                        [&](const TextInserter::Insertion&) { finished.push_back("insert"); });
                else
                    d.inserter.copySelection([&](std::optional<QString> text) {
                        finished.push_back(text.value_or("nichts"));
                    });
            }));
        }
        d.clock.runUntilIdle();

        EXPECT_EQ(d.keys.sent, c.keys);
        EXPECT_EQ(d.clipboard.contents, richContents());
        EXPECT_EQ(finished.size(), c.steps.size());
        EXPECT_FALSE(d.inserter.isBusy());
    }
}

TEST(TextInserterTest, GoingAwayDuringAnInsertPutsTheUsersClipboardBack) {
    // Before the paste key, after it, and while the text waits for a target that did not take
    // it in time: once Tavrin has gone nobody offers the text, and a clipboard history would
    // keep it as the clipboard. The user's clipboard comes back.
    const struct {
        int goneAt;
        QString clipboard;
        bool called;
    } cases[] = {{100, "Vorher", false}, {300, "Vorher", false}, {6000, "Vorher", true}};
    for (const auto& [goneAt, clipboard, expectCalled] : cases) {
        SCOPED_TRACE(goneAt);
        Desk d;
        d.clipboard.fetchAfter.reset();
        auto early = std::make_unique<TextInserter>(
            TextInserter::Services{d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust});
        bool called = false;
        early->insert("Hallo", d.target, false,
                      [&](const TextInserter::Insertion&) { called = true; });
        d.clock.advance(ms(goneAt));
        early.reset();
        d.clock.runUntilIdle();

        EXPECT_EQ(d.clipboard.contents.value(0).representations.value(0).data,
                  clipboard.toUtf8());
        EXPECT_EQ(called, expectCalled);
    }
}

// What another program wrote, and what the user had, are never lost to a text of Tavrin's;
// a program a paste key went to gets that key's text or nothing, whatever came later.
TEST(TextInserterTest, TheUsersClipboardAndEachTargetsTextStayApart) {
    constexpr quint32 other = 0x3400009;
    struct Case {
        const char* name;
        std::function<void(Desk&)> setup;
        // Steps after the insert of "Erster" into the target, at their moment.
        std::vector<std::pair<int, std::function<void(Desk&)>>> steps;
        std::vector<Sent> keys;
        TextInserter::Insertion outcome;
        QString clipboard;
        // What a read of the target's for its paste key gets at the end.
        QString targetGets;
        // Whether the caller hears of the text once more: that it went in (true) or that it
        // is offered no longer (false).
        std::optional<bool> late = std::nullopt;
    };
    TextInserter::Insertion waiting;
    waiting.waiting = true;
    TextInserter::Insertion overwritten;
    overwritten.overwritten = true;
    TextInserter::Insertion unsaved;
    unsaved.unsaved = true;
    const auto copies = [](Desk& d) { d.clipboard.writeAsOtherProgram(plainText("Kopiert")); };
    const auto second = [](Desk& d) {
        RunningApplication chat = d.target;
        chat.windowId = other;
        d.windows.activeWindow = 0;
        d.clipboard.fetchAfter = Milliseconds(10);
        d.inserter.insert("Zweiter", chat, false);
    };
    const auto again = [](Desk& d) {
        d.clipboard.fetchAfter = Milliseconds(10);
        d.inserter.insert("Zweiter", d.target, false);
    };
    const Case cases[] = {
        {"the user copies while the target is busy: the copy stays",
         {},
         {{2000, copies}},
         {paste(150)},
         overwritten,
         "Kopiert",
         "Kopiert"},
        {"the user copies just before the key: no key goes out",
         {},
         {{100, copies}},
         {},
         overwritten,
         "Kopiert",
         "Kopiert"},
        {"the user copies while a busy owner hands over the clipboard: the copy comes back",
         [](Desk& d) {
             d.clipboard.whileSaving = [&d] {
                 d.clipboard.writeAsOtherProgram(plainText("Kopiert"));
             };
         },
         {{8000, [](Desk& d) { d.clipboard.fetchAsTarget(d.target.windowId); }}},
         {paste(150)},
         waiting,
         "Kopiert",
         "Erster",
         true},
        {"the user's clipboard does not arrive whole: nothing is written over it",
         [](Desk& d) { d.clipboard.failedSaves = 1; },
         {},
         {},
         unsaved,
         "Vorher",
         "Vorher"},
        {"a later text for another window: the waiting target still gets its own",
         {},
         {{6000, second}},
         {paste(150), paste(6150)},
         waiting,
         "Vorher",
         "Erster"},
        {"the user copies a draft from the panel while the text waits: the copy stays",
         {},
         {{6000, [](Desk& d) { d.clipboard.write(plainText("Aus dem Panel")); }},
          {8000, [](Desk& d) { d.clipboard.fetchAsTarget(d.target.windowId); }}},
         {paste(150)},
         waiting,
         "Aus dem Panel",
         "Erster",
         true},
        // The earlier key, still unanswered, pastes the later text: a second would paste it
        // twice.
        {"a later text for the same window: it takes the earlier one's place and key",
         {},
         {{6000, again}},
         {paste(150)},
         waiting,
         "Vorher",
         "Zweiter",
         false},
        // Its offer ended with the copy: the caller of the waiting text lets go at the next
        // insert, and the copy stays.
        {"the user copies while the text waits, then inserts elsewhere",
         {},
         {{6000, copies}, {6001, second}},
         {paste(150), paste(6151)},
         waiting,
         "Kopiert",
         "Kopiert",
         false},
        {"the waiting target takes its text: the user's clipboard comes back, and it is said",
         {},
         {{8000, [](Desk& d) { d.clipboard.fetchAsTarget(d.target.windowId); }}},
         {paste(150)},
         waiting,
         "Vorher",
         "Erster",
         true},
        {"it takes it after a later text went elsewhere: the later one's end stays",
         {},
         {{6000, second}, {8000, [](Desk& d) { d.clipboard.fetchAsTarget(d.target.windowId); }}},
         {paste(150), paste(6150)},
         waiting,
         "Vorher",
         "Erster",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.clipboard.fetchAfter.reset();
        if (c.setup)
            c.setup(d);
        std::optional<TextInserter::Insertion> done;
        std::optional<TextInserter::Insertion> late;
        d.inserter.insert(
            "Erster", d.target, false,
            [&](const TextInserter::Insertion& insertion) { done = insertion; },
            [&](const TextInserter::Insertion& insertion) { late = insertion; });
        for (const auto& [at, step] : c.steps) {
            d.clock.advance(ms(at) - d.clock.monotonic());
            step(d);
        }
        d.clock.runUntilIdle();
        const size_t writes = d.clipboard.writes.size();

        EXPECT_EQ(d.keys.sent, c.keys);
        ASSERT_TRUE(done);
        EXPECT_EQ(*done, c.outcome);
        EXPECT_EQ(d.clipboard.contents.value(0).representations.value(0).data,
                  c.clipboard.toUtf8());
        EXPECT_EQ(d.clipboard.fetchAsTarget(d.target.windowId)
                      .value(0)
                      .representations.value(0)
                      .data,
                  c.targetGets.toUtf8());
        EXPECT_EQ(late.has_value(), c.late.has_value());
        if (late && c.late) {
            EXPECT_EQ(late->pasted, *c.late);
        }
        d.clock.runUntilIdle();
        EXPECT_EQ(d.clipboard.writes.size(), writes) << "a write after the end";
    }
}

// A draft copied from the panel after an insertion is the user's clipboard for the next one.
TEST(TextInserterTest, WhatTavrinCopiedAfterAnInsertIsKeptByTheNext) {
    Desk d;
    d.inserter.insert("Erster", d.target, false);
    d.clock.runUntilIdle();
    d.clipboard.write(plainText("Aus dem Panel kopiert"));
    d.inserter.insert("Zweiter", d.target, false);
    d.clock.runUntilIdle();

    EXPECT_EQ(d.clipboard.contents, plainText("Aus dem Panel kopiert"));
}

TEST(TextInserterTest, SendKeyGoesOutAtOnceBesideARunningInsert) {
    Desk d;
    d.inserter.insert("Hallo", d.target, false);
    d.clock.advance(ms(200));
    d.inserter.sendKey(VirtualKey::Z, EventFlag::Command);

    EXPECT_EQ(d.keys.sent,
              (std::vector<Sent>{paste(150), {ms(200), VirtualKey::Z, EventFlag::Command}}));
}

}  // namespace

namespace {

// The field an undo may give back is read at the paste key, not at the shortcut: what was
// typed or inserted before the paste stays. And only the element that took the paste counts.
TEST(TextInserterTest, ReadsTheFieldRightBeforeThePasteKeyAndOnceItLanded) {
    constexpr auto Writing = FieldRestorer::Undoing::byWriting;
    constexpr auto Key = FieldRestorer::Undoing::byKey;
    using Platform::FakeAccessible;
    // A GTK 3 window with two entries, "Empfänger" in focus.
    struct Scene {
        std::shared_ptr<FakeAccessible> window = std::make_shared<FakeAccessible>();
        std::shared_ptr<FakeAccessible> recipient = std::make_shared<FakeAccessible>();
        std::shared_ptr<FakeAccessible> subject = std::make_shared<FakeAccessible>();
    };
    struct Case {
        const char* name;
        // While the target comes forward, before the paste key.
        std::function<void(Scene&)> meanwhile;
        // Once the paste went in.
        std::function<void(Scene&)> afterwards;
        std::optional<FieldRestorer::Change> change;
        // No change, and the undo must not go out blind.
        bool unknown = false;
        // The application does not answer the read before the paste in time.
        bool hangs = false;
        // The user types on this long after the paste key: once the field has shown the paste.
        std::optional<int> typesOnAfter = std::nullopt;
    };
    const QString recipient = QStringLiteral(":1.9:/recipient");
    const QString subject = QStringLiteral(":1.9:/subject");
    const auto qt = [](Scene& s) {
        for (const auto& field : {s.recipient, s.subject})
            field->toolkitValue = "Qt 6.4.2";
    };
    const Case cases[] = {
        {"typed while the target came forward",
         [](Scene& s) {
             s.recipient->textValue = "Anna Beispiel, ";
             s.recipient->selectionRangeValue = Platform::TextRange{15, 15};
         },
         {},
         FieldRestorer::Change{
             {recipient, "Anna Beispiel, ", Platform::TextRange{15, 15}, Writing},
             {recipient, "Anna Beispiel, Hallo", Platform::TextRange{20, 20}, Writing}}},
        // It would pass for the paste's and be undone with it.
        {"typed while the paste landed: the change holds what the paste alone left",
         {},
         [](Scene& s) { s.recipient->textValue += " ok"; },
         FieldRestorer::Change{
             {recipient, "Anna Beispiel", Platform::TextRange{13, 13}, Writing},
             {recipient, "Anna BeispielHallo", Platform::TextRange{18, 18}, Writing}}},
        {"the focus went to the other entry before the paste",
         [](Scene& s) { s.window->focusedElementValue = s.subject; },
         {},
         FieldRestorer::Change{{subject, "Termin am Freitag", std::nullopt, Writing},
                               {subject, "Termin am FreitagHallo", std::nullopt, Writing}}},
        // Without the change the undo key would go to the window blind.
        {"the focus left the entry after the paste: the change is still known",
         {},
         [](Scene& s) { s.window->focusedElementValue = s.subject; },
         FieldRestorer::Change{
             {recipient, "Anna Beispiel", Platform::TextRange{13, 13}, Writing},
             {recipient, "Anna BeispielHallo", Platform::TextRange{18, 18}, Writing}}},
        {"a Qt field: read as the paste left it",
         qt,
         {},
         FieldRestorer::Change{
             {recipient, "Anna Beispiel", Platform::TextRange{13, 13}, Key},
             {recipient, "Anna BeispielHallo", Platform::TextRange{18, 18}, Key}}},
        {"typed in a Qt field while the paste landed: the change holds the paste alone", qt,
         [](Scene& s) { s.recipient->textValue += " ok"; },
         FieldRestorer::Change{
             {recipient, "Anna Beispiel", Platform::TextRange{13, 13}, Key},
             {recipient, "Anna BeispielHallo", Platform::TextRange{18, 18}, Key}}},
        // Its undo key would take back what the user typed in the other field.
        {"the focus left the Qt field after the paste: the change is still known", qt,
         [](Scene& s) { s.window->focusedElementValue = s.subject; },
         FieldRestorer::Change{{recipient, "Anna Beispiel", Platform::TextRange{13, 13}, Key},
                               {recipient, "Anna BeispielHallo", Platform::TextRange{18, 18}, Key}}},
        // A rich-text editor tells no selection: only the field as it showed the paste tells
        // the typing apart, or the undo would take it back with the paste.
        {"typed on once the paste showed, in a field that tells no selection",
         [qt](Scene& s) {
             qt(s);
             s.recipient->selectionRangeValue.reset();
         },
         {},
         FieldRestorer::Change{{recipient, "Anna Beispiel", std::nullopt, Key},
                               {recipient, "Anna BeispielHallo", std::nullopt, Key}},
         false, false, 80},
        {"the read before the paste failed", [](Scene& s) { s.recipient->textFails = true; },
         [](Scene& s) { s.recipient->textFails = false; }, std::nullopt, true},
        {"the read before the paste timed out", {}, {}, std::nullopt, true, true},
        {"a paste of paragraphs left the keyboard in the next paragraph of the document",
         [](Scene& s) {
             auto document = std::make_shared<FakeAccessible>();
             document->roleValue = "document text";
             document->identityValue = ":1.9:/document";
             for (const auto& paragraph : {s.recipient, s.subject}) {
                 paragraph->roleValue = "paragraph";
                 paragraph->toolkitValue = "gtk 3.24.38";
                 paragraph->parentValue = document;
             }
         },
         [](Scene& s) { s.window->focusedElementValue = s.subject; },
         FieldRestorer::Change{
             {recipient, "Anna Beispiel", Platform::TextRange{13, 13}, Key, ":1.9:/document"},
             {subject, "Termin am Freitag", std::nullopt, Key, ":1.9:/document"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.target.processIdentifier = 77;
        Scene scene;
        Platform::FakeAccessibilityTree tree;
        auto application = std::make_shared<FakeAccessible>();
        tree.applications.insert(77, application);
        application->focusedWindowValue = scene.window;
        for (const auto& field : {scene.recipient, scene.subject}) {
            field->editable = true;
            field->roleValue = "AXTextField";
            field->toolkitValue = "GTK 3.24.38";
        }
        scene.recipient->identityValue = recipient;
        scene.recipient->textValue = "Anna Beispiel";
        scene.recipient->selectionRangeValue = Platform::TextRange{13, 13};
        scene.subject->identityValue = subject;
        scene.subject->textValue = "Termin am Freitag";
        scene.window->focusedElementValue = scene.recipient;
        Platform::AccessibilityWorker worker{tree.factory()};
        FieldRestorer restorer{worker, d.clock};
        TextInserter inserter{
            {d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust, &restorer}};
        // The paste takes the place of the selection, or goes in at the end.
        d.keys.onSend = [&](quint16 key, quint64) {
            if (key != VirtualKey::V)
                return;
            FakeAccessible& field = *scene.window->focusedElementValue;
            const int size = static_cast<int>(field.textValue.size());
            const auto [start, end] =
                field.selectionRangeValue.value_or(Platform::TextRange{size, size});
            field.textValue = field.textValue.left(start) + "Hallo" + field.textValue.mid(end);
            if (field.selectionRangeValue)
                field.selectionRangeValue = Platform::TextRange{start + 5, start + 5};
        };
        std::optional<TextInserter::Insertion> done;
        std::atomic<bool> answering = !c.hangs;
        application->beforeAnswer = [&answering] {
            while (!answering)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        inserter.insert("Hallo", d.target, false,
                        [&](const TextInserter::Insertion& insertion) { done = insertion; });
        if (c.meanwhile)
            c.meanwhile(scene);
        d.clock.advance(ms(150));
        if (c.hangs)
            d.clock.advance(FieldRestorer::kAnswerLimit);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.keys.sent.empty(); }, 5000));
        answering = true;
        if (c.afterwards)
            c.afterwards(scene);
        std::unique_ptr<Timer> typing;
        if (c.typesOnAfter) {
            typing = d.clock.singleShot(Milliseconds(*c.typesOnAfter),
                                        [&scene] { scene.recipient->textValue += " ok"; });
        }
        // The reads answer on the accessibility worker's thread, between the clock's steps.
        WorkerSteps steps(worker, d.clock);
        ASSERT_TRUE(steps.until([&] { return done.has_value(); }, Milliseconds(20)));
        EXPECT_TRUE(done->pasted);
        EXPECT_EQ(done->change, c.change);
        EXPECT_EQ(done->fieldUnknown, c.unknown);
    }
}

// A fetch is not yet the paste: a browser's page pastes when its renderer runs, and reads the
// clipboard only then. Where the field can be read, the Return and the user's clipboard wait
// until it shows the whole text, and the target gets the text on every read until then: the
// very field read before the key is read, wherever the keyboard goes meanwhile, and one that
// does not answer proves nothing.
TEST(TextInserterTest, TheReturnAndTheUsersClipboardWaitUntilTheFieldShowsTheText) {
    using Platform::FakeAccessible;
    using Platform::TextRange;
    struct Case {
        const char* name;
        // When the page's renderer runs: it reads the clipboard and pastes what it gets.
        std::optional<int> showsAt;
        bool pasted;
        bool returnSent;
        QString text = "Hallo ";
        TextRange selection = {6, 6};
        QString draft = "Anna";
        // The user goes to another window then.
        std::optional<int> movesOnAt = std::nullopt;
        // The application answers no question about its fields from the key until it pastes.
        bool hangs = false;
        // Part of the paste shows first, then.
        std::optional<int> partAt = std::nullopt;
        // The user clicks into another field of the same window (the address bar) then.
        std::optional<int> clicksElsewhereAt = std::nullopt;
        // The application answers nothing from before the paste key on (busy as the user
        // asked for the insert), and, `silentAfter`, nothing after it pastes either.
        bool hangsBeforeKey = false;
        bool silentAfter = false;
    };
    const Case cases[] = {
        {"the page pastes two seconds later", 2000, true, true},
        {"the page never pastes", std::nullopt, false, false},
        {"the user goes to another window before the page pastes", 2000, true, false, "Hallo ",
         {6, 6}, "Anna", 400},
        {"the application does not answer until it pastes", 3000, true, true, "Hallo ", {6, 6},
         "Anna", std::nullopt, true},
        {"part of the text shows first", 1600, true, true, "Hallo ", {6, 6}, "Anna,\nbis Freitag",
         std::nullopt, false, 1000},
        {"the text it replaces: the caret after it tells", 2000, true, true, "Hallo Anna",
         {6, 10}},
        // The Return would submit that field instead of sending the chat.
        {"the user clicks into another field of the window before the page pastes", 2000, true,
         false, "Hallo ", {6, 6}, "Anna", std::nullopt, false, std::nullopt, 400},
        // Unread before the key, the field is known by holding the text: the keyboard is there.
        {"the application answers nothing from before the key until it pastes", 1500, true, true,
         "Hallo ", {6, 6}, "Anna", std::nullopt, false, std::nullopt, std::nullopt, true},
        {"the application answers nothing before the key nor after the paste", 1500, true, false,
         "Hallo ", {6, 6}, "Anna", std::nullopt, false, std::nullopt, std::nullopt, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.target.processIdentifier = 77;
        d.windows.activeWindow = d.target.windowId;
        FocusedField focused{77, "Chromium", ":1.9:/chat", c.text};
        auto& field = focused.field;
        field->selectionRangeValue = c.selection;
        auto elsewhere = std::make_shared<FakeAccessible>();
        elsewhere->editable = true;
        elsewhere->roleValue = QStringLiteral("AXTextField");
        elsewhere->identityValue = QStringLiteral(":1.9:/address");
        elsewhere->textValue = QStringLiteral("about:blank");
        std::atomic<bool> answering = !c.hangsBeforeKey;
        field->beforeAnswer = [&answering] {
            while (!answering)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        Platform::AccessibilityWorker worker{focused.tree.factory()};
        FieldRestorer restorer{worker, d.clock};
        TextInserter inserter{
            {d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust, &restorer}};
        d.keys.onSend = [&](quint16 key, quint64) {
            if (key == VirtualKey::V && c.hangs)
                answering = false;
        };
        // What the page does on its own timeline.
        std::vector<std::unique_ptr<Timer>> page;
        const auto paste = [&c, &field](const QString& pasted) {
            field->textValue =
                c.text.left(c.selection.start) + pasted + c.text.mid(c.selection.end);
            const int caret = c.selection.start + static_cast<int>(pasted.size());
            field->selectionRangeValue = TextRange{caret, caret};
        };
        if (c.showsAt) {
            page.push_back(d.clock.singleShot(Milliseconds(*c.showsAt), [&] {
                // The renderer runs: the page reads the clipboard now and pastes it.
                paste(QString::fromUtf8(d.clipboard.fetchAsTarget(d.target.windowId)
                                            .value(0)
                                            .representations.value(0)
                                            .data));
                answering = !c.silentAfter;
            }));
        }
        if (c.partAt) {
            page.push_back(d.clock.singleShot(Milliseconds(*c.partAt),
                                              [&] { paste(c.draft.left(c.draft.size() / 2)); }));
        }
        if (c.movesOnAt) {
            page.push_back(d.clock.singleShot(Milliseconds(*c.movesOnAt), [&] {
                focused.window->focusedElementValue = elsewhere;
                d.windows.activeWindow = 0x99;
            }));
        }
        if (c.clicksElsewhereAt) {
            page.push_back(d.clock.singleShot(Milliseconds(*c.clicksElsewhereAt), [&] {
                focused.window->focusedElementValue = elsewhere;
            }));
        }
        std::optional<TextInserter::Insertion> done;
        inserter.insert(c.draft, d.target, true,
                        [&](const TextInserter::Insertion& insertion) { done = insertion; });
        WorkerSteps steps(worker, d.clock, [&answering] { return !answering; });
        ASSERT_TRUE(steps.until([&] { return done.has_value(); }, Milliseconds(10)));
        answering = true;

        EXPECT_EQ(done->pasted, c.pasted);
        EXPECT_EQ(done->waiting, !c.pasted);
        if (c.showsAt) {
            EXPECT_EQ(field->textValue,
                      c.text.left(c.selection.start) + c.draft + c.text.mid(c.selection.end))
                << "the page pasted the user's clipboard";
        }
        std::vector<Sent> returns;
        for (const Sent& sent : d.keys.sent) {
            if (sent.keyCode == VirtualKey::Return)
                returns.push_back(sent);
        }
        ASSERT_EQ(returns.size(), c.returnSent ? 1u : 0u);
        if (c.returnSent) {
            EXPECT_GE(returns.front().at, ms(*c.showsAt));
        }
        // Asked for, not sent: the user is told.
        EXPECT_EQ(done->returnWithheld, c.clicksElsewhereAt || c.movesOnAt || c.silentAfter);
        // Not told that the keyboard left where the field only did not answer.
        EXPECT_EQ(done->returnUnseen, c.silentAfter);
        if (c.pasted) {
            EXPECT_EQ(d.clipboard.contents, plainText("Vorher"));
        }
    }
}

}  // namespace

namespace {

// A field that keeps only so many characters takes the beginning of a paste and no more: that
// is the paste, said as such, and no Return sends what is left of it. A large text may show in
// its field only long after its program has it, yet it went in.
TEST(TextInserterTest, WhatTheFieldShowsOfTheTextInTheEndIsWhatWentIn) {
    using Platform::TextRange;
    struct Case {
        const char* name;
        QString draft;
        // What the field holds in place of its caret, when (the paste key goes out at 150 ms);
        // the last holds.
        std::vector<std::pair<int, QString>> shows;
        bool pasted;
        bool partial;
        bool returnSent;
        // The clock's step while the test waits: large texts are read once a second.
        int step = 10;
        bool pressReturn = true;
    };
    const QString large = QString(200'000, QLatin1Char('x'));
    const Case cases[] = {
        {"a field that keeps ten characters", "Hallo Anna, bis Freitag",
         {{300, "Hallo Anna"}}, true, true, false},
        {"the same without a Return: the undo knows what the paste left",
         "Hallo Anna, bis Freitag", {{300, "Hallo Anna"}}, true, true, false, 10, false},
        {"the rest follows a moment later", "Hallo Anna, bis Freitag",
         {{300, "Hallo Anna"}, {800, "Hallo Anna, bis Freitag"}}, true, false, true},
        {"a large text its field shows only forty seconds after it was fetched", large,
         {{40'000, large}}, true, false, true, 100},
        {"a text the field never shows", "Hallo Anna", {}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        d.target.processIdentifier = 77;
        d.windows.activeWindow = d.target.windowId;
        FocusedField focused{77, "Chromium", ":1.9:/chat", "Liebe "};
        auto& field = focused.field;
        field->selectionRangeValue = TextRange{6, 6};
        Platform::AccessibilityWorker worker{focused.tree.factory()};
        FieldRestorer restorer{worker, d.clock};
        TextInserter inserter{
            {d.clock, d.clipboard, d.keys, d.windows, d.modifiers, d.trust, &restorer}};
        std::vector<std::unique_ptr<Timer>> page;
        for (const auto& [at, shown] : c.shows) {
            page.push_back(d.clock.singleShot(Milliseconds(at), [&field, shown = shown] {
                field->textValue = "Liebe " + shown;
                const int caret = 6 + static_cast<int>(shown.size());
                field->selectionRangeValue = TextRange{caret, caret};
            }));
        }
        std::optional<TextInserter::Insertion> done;
        inserter.insert(c.draft, d.target, c.pressReturn,
                        [&](const TextInserter::Insertion& insertion) { done = insertion; });
        WorkerSteps steps(worker, d.clock);
        ASSERT_TRUE(steps.until([&] { return done.has_value(); }, Milliseconds(c.step)));

        EXPECT_EQ(done->pasted, c.pasted);
        EXPECT_EQ(done->partial, c.partial);
        EXPECT_EQ(done->waiting, !c.pasted);
        const bool returned = std::any_of(d.keys.sent.begin(), d.keys.sent.end(), [](const Sent& s) {
            return s.keyCode == VirtualKey::Return;
        });
        EXPECT_EQ(returned, c.returnSent);
        if (c.partial && !c.pressReturn) {
            ASSERT_TRUE(done->change);
            EXPECT_EQ(done->change->after.text, "Liebe Hallo Anna");
        }
        if (c.pasted) {
            EXPECT_EQ(d.clipboard.contents, plainText("Vorher"));
        }
    }
}

}  // namespace
