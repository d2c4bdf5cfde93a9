#include <gtest/gtest.h>

#include "Output/TextInserter.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeKeySender.h"
#include "Platform/fake/FakeModifierState.h"
#include "Platform/fake/FakeWindowActivation.h"

using namespace Platform;
using Sent = FakeKeySender::Sent;

namespace Platform {
void PrintTo(const FakeKeySender::Sent& sent, std::ostream* out) {
    *out << "key " << sent.keyCode << " flags 0x" << std::hex << sent.flags << std::dec << " at "
         << std::chrono::duration_cast<Milliseconds>(sent.at).count() << " ms";
}
}  // namespace Platform

namespace {

Nanoseconds ms(int milliseconds) {
    return Milliseconds(milliseconds);
}

ClipboardContents plainText(const QString& text) {
    return {ClipboardItem{{{QStringLiteral("text/plain"), text.toUtf8()}}}};
}

// A rich-text copy: two items, several formats each, bytes that are not text.
ClipboardContents richContents() {
    return {ClipboardItem{{{QStringLiteral("text/plain"), QByteArray("Grüße")},
                           {QStringLiteral("text/html"), QByteArray("<b>Grüße</b>")},
                           {QStringLiteral("text/rtf"), QByteArray("{\\rtf1 Gr\\'fc\\'dfe}")}}},
            ClipboardItem{{{QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n\0\1", 10)},
                           {QStringLiteral("application/x-empty"), QByteArray()}}}};
}

// The keys sent since `start`, with their moments counted from there.
std::vector<Sent> sentSince(const FakeKeySender& keys, Nanoseconds start) {
    std::vector<Sent> result;
    for (Sent sent : keys.sent) {
        sent.at -= start;
        result.push_back(sent);
    }
    return result;
}

const Sent paste(int at) {
    return {ms(at), VirtualKey::V, EventFlag::Command};
}
const Sent copy(int at) {
    return {ms(at), VirtualKey::C, EventFlag::Command};
}
const Sent returnKey(int at) {
    return {ms(at), VirtualKey::Return, EventFlag::None};
}

class TextInserterTest : public ::testing::Test {
protected:
    TextInserterTest() {
        target.localizedName = QStringLiteral("Editor");
        target.windowId = 0x1200007;
        trust.trusted = true;
        clipboard.writeAsOtherProgram(plainText(QStringLiteral("Vorher")));
    }

    // Plays the front application: on the copy key it puts `selection` on the clipboard
    // after `delay`.
    void copiesSelection(std::optional<QString> selection, Milliseconds delay = Milliseconds(0)) {
        keys.onSend = [this, selection, delay](quint16 key, quint64) {
            if (key != VirtualKey::C || !selection)
                return;
            pendingCopy_ = clock.singleShot(
                delay, [this, selection] { clipboard.writeAsOtherProgram(plainText(*selection)); });
        };
    }

    FakeClock clock;
    FakeClipboard clipboard{&clock};
    FakeKeySender keys{&clock};
    FakeWindowActivation windows{&clock};
    FakeModifierState modifiers;
    FakeAccessibilityTrust trust;
    TextInserter inserter{{clock, clipboard, keys, windows, modifiers, trust}};
    RunningApplication target;

private:
    std::unique_ptr<Timer> pendingCopy_;
};

TEST_F(TextInserterTest, InsertFollowsTheTimelineFromTheActivation) {
    struct Case {
        bool pressReturn;
        std::vector<Sent> keys;
        int restoreAt;
    };
    const Case cases[] = {
        {true, {paste(150), returnKey(400)}, 1000},
        {false, {paste(150)}, 750},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressReturn);
        FakeClock clock;
        FakeClipboard clipboard(&clock);
        FakeKeySender keys(&clock);
        FakeWindowActivation windows(&clock);
        FakeModifierState modifiers;
        FakeAccessibilityTrust trust;
        clipboard.writeAsOtherProgram(plainText(QStringLiteral("Vorher")));
        TextInserter inserter({clock, clipboard, keys, windows, modifiers, trust});
        std::optional<Nanoseconds> doneAt;

        inserter.insert(QStringLiteral("Hallo"), target, c.pressReturn,
                        [&] { doneAt = clock.monotonic(); });
        clock.runUntilIdle();

        EXPECT_EQ(windows.activations,
                  (std::vector<FakeWindowActivation::Activation>{{ms(0), target.windowId}}));
        EXPECT_EQ(keys.sent, c.keys);
        ASSERT_EQ(clipboard.writes.size(), 2u);
        EXPECT_EQ(clipboard.writes[0].at, ms(0));
        const ClipboardContents transient = {
            ClipboardItem{{{QStringLiteral("text/plain"), QByteArray("Hallo")},
                           {QStringLiteral("org.nspasteboard.TransientType"), QByteArray()},
                           {QStringLiteral("x-kde-passwordManagerHint"), QByteArray("secret")}}}};
        EXPECT_EQ(clipboard.writes[0].contents, transient);
        EXPECT_EQ(clipboard.writes[1].at, ms(c.restoreAt));
        EXPECT_EQ(clipboard.contents, plainText(QStringLiteral("Vorher")));
        EXPECT_EQ(doneAt, ms(c.restoreAt));
    }
}

TEST_F(TextInserterTest, InsertRestoresTheClipboardExactly) {
    const ClipboardContents cases[] = {{}, richContents(), plainText(QString())};
    for (const ClipboardContents& before : cases) {
        SCOPED_TRACE(before.size());
        clipboard.writeAsOtherProgram(before);
        clipboard.writes.clear();

        inserter.insert(QStringLiteral("Text"), target, false);
        clock.runUntilIdle();

        EXPECT_EQ(clipboard.contents, before);
        ASSERT_EQ(clipboard.writes.size(), 2u);
        EXPECT_EQ(clipboard.writes[1].contents, before);
    }
}

TEST_F(TextInserterTest, AnotherProgramsWriteDuringTheInsertSurvives) {
    // Written after the paste, within the time the target gets to fetch the text.
    for (const int writtenAt : {200, 740}) {
        SCOPED_TRACE(writtenAt);
        clipboard.writeAsOtherProgram(plainText(QStringLiteral("Vorher")));
        clipboard.writes.clear();
        inserter.insert(QStringLiteral("Text"), target, false);
        clock.advance(ms(writtenAt));
        clipboard.writeAsOtherProgram(plainText(QStringLiteral("Neu kopiert")));
        clock.runUntilIdle();

        EXPECT_EQ(clipboard.contents, plainText(QStringLiteral("Neu kopiert")));
        EXPECT_EQ(clipboard.writes.size(), 1u);
    }
}

TEST_F(TextInserterTest, ReturnGoesOnlyToTheActiveTarget) {
    struct Case {
        const char* name;
        bool hasTarget;
        bool windowManagerRefuses;
        bool targetLosesFocus;
        std::vector<Sent> keys;
    };
    const Case cases[] = {
        {"activated", true, false, false, {paste(150), returnKey(400)}},
        {"activation refused", true, true, false, {paste(150)}},
        {"another window came forward", true, false, true, {paste(150)}},
        {"no target", false, false, false, {paste(150)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        keys.sent.clear();
        windows.activeWindow = 0x99;
        windows.refuses = c.windowManagerRefuses;
        std::optional<RunningApplication> insertTarget;
        if (c.hasTarget)
            insertTarget = target;
        const Nanoseconds start = clock.monotonic();

        inserter.insert(QStringLiteral("ls -la"), insertTarget, true);
        clock.advance(ms(300));
        if (c.targetLosesFocus)
            windows.activeWindow = 0x99;
        clock.runUntilIdle();

        EXPECT_EQ(sentSince(keys, start), c.keys);
        EXPECT_EQ(clipboard.contents, plainText(QStringLiteral("Vorher")));
    }
}

TEST_F(TextInserterTest, KeysWaitForHeldModifiers) {
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
        FakeClock clock;
        FakeKeySender keys(&clock);
        FakeClipboard clipboard;
        FakeWindowActivation windows;
        FakeModifierState modifiers;
        modifiers.flags = c.copy ? EventFlag::Command : EventFlag::Option;
        std::unique_ptr<Timer> release;
        if (c.releasedAt)
            release = clock.singleShot(Milliseconds(*c.releasedAt),
                                       [&] { modifiers.flags = EventFlag::None; });
        TextInserter inserter({clock, clipboard, keys, windows, modifiers, trust});

        if (c.copy)
            inserter.copySelection([](std::optional<QString>) {});
        else
            inserter.insert(QStringLiteral("Hallo"), target, false);
        clock.runUntilIdle();

        ASSERT_FALSE(keys.sent.empty());
        EXPECT_EQ(keys.sent.front(), c.expected);
    }
}

TEST_F(TextInserterTest, CopySelection) {
    struct Case {
        const char* name;
        bool trusted;
        std::optional<QString> selection;
        int copiedAfter;
        std::optional<QString> result;
        int resultAt;
        bool restored;
    };
    const Case cases[] = {
        {"copied at once", true, QStringLiteral("  Ein Satz.\n"), 0, QStringLiteral("Ein Satz."),
         25, true},
        {"copied by the 5th poll", true, QStringLiteral("Spät"), 110, QStringLiteral("Spät"), 125,
         true},
        {"only blanks", true, QStringLiteral(" \n\t "), 0, std::nullopt, 25, true},
        {"no selection", true, std::nullopt, 0, std::nullopt, 200, false},
        {"copied after the last poll", true, QStringLiteral("Zu spät"), 230, std::nullopt, 200,
         false},
        {"not trusted", false, QStringLiteral("Geheim"), 0, std::nullopt, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard.writeAsOtherProgram(richContents());
        clipboard.writes.clear();
        keys.sent.clear();
        trust.trusted = c.trusted;
        copiesSelection(c.selection, Milliseconds(c.copiedAfter));
        std::optional<std::optional<QString>> result;
        Nanoseconds start = clock.monotonic();
        Nanoseconds resultAt{};

        inserter.copySelection([&](std::optional<QString> text) {
            result = text;
            resultAt = clock.monotonic() - start;
        });
        clock.advance(ms(1000));

        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, c.result);
        EXPECT_EQ(resultAt, ms(c.resultAt));
        EXPECT_EQ(keys.sent.size(), c.trusted ? 1u : 0u);
        EXPECT_EQ(clipboard.writes.size(), c.restored ? 1u : 0u);
        if (c.restored || !c.selection) {
            EXPECT_EQ(clipboard.contents, richContents());
        }
    }
}

TEST_F(TextInserterTest, OverlappingOperationsKeepTheUsersClipboard) {
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
         {paste(150), paste(900)}},
        {"insert during a copy", {{0, Step::Copy}, {10, Step::Insert}}, {copy(0), paste(175)}},
        {"copy during an insert", {{0, Step::Insert}, {100, Step::Copy}}, {paste(150), copy(750)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        FakeClipboard clipboard(&clock);
        FakeKeySender keys(&clock);
        FakeWindowActivation windows;
        FakeModifierState modifiers;
        clipboard.writeAsOtherProgram(richContents());
        keys.onSend = [&](quint16 key, quint64) {
            if (key == VirtualKey::C)
                clipboard.writeAsOtherProgram(plainText(QStringLiteral("Auswahl")));
        };
        TextInserter inserter({clock, clipboard, keys, windows, modifiers, trust});
        std::vector<QString> finished;
        std::vector<std::unique_ptr<Timer>> starts;
        for (const Step& step : c.steps) {
            starts.push_back(clock.singleShot(Milliseconds(step.at), [&, step] {
                if (step.what == Step::Insert)
                    inserter.insert(QStringLiteral("Entwurf"), target, false,
                                    [&] { finished.push_back(QStringLiteral("insert")); });
                else
                    inserter.copySelection([&](std::optional<QString> text) {
                        finished.push_back(text.value_or(QStringLiteral("nichts")));
                    });
            }));
        }
        clock.runUntilIdle();

        EXPECT_EQ(keys.sent, c.keys);
        EXPECT_EQ(clipboard.contents, richContents());
        EXPECT_EQ(finished.size(), c.steps.size());
        EXPECT_FALSE(inserter.isBusy());
    }
}

TEST_F(TextInserterTest, GoingAwayDuringAnInsertPutsTheUsersClipboardBack) {
    auto early = std::make_unique<TextInserter>(
        TextInserter::Services{clock, clipboard, keys, windows, modifiers, trust});
    bool called = false;
    early->insert(QStringLiteral("Hallo"), target, false, [&] { called = true; });
    clock.advance(ms(300));
    early.reset();
    clock.runUntilIdle();

    EXPECT_EQ(clipboard.contents, plainText(QStringLiteral("Vorher")));
    EXPECT_FALSE(called);
}

TEST_F(TextInserterTest, SendKeyGoesOutAtOnceBesideARunningInsert) {
    inserter.insert(QStringLiteral("Hallo"), target, false);
    clock.advance(ms(200));
    inserter.sendKey(VirtualKey::Z, EventFlag::Command);

    EXPECT_EQ(keys.sent,
              (std::vector<Sent>{paste(150), {ms(200), VirtualKey::Z, EventFlag::Command}}));
}

}  // namespace
