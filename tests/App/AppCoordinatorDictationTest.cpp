#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "App/CoordinatorHarness.h"
#include "App/DictationPrompts.h"

namespace {

using namespace std::chrono_literals;
using Status = QuickDictationModel::Status;
namespace VirtualKey = Platform::VirtualKey;
namespace EventFlag = Platform::EventFlag;

constexpr quint32 kMailWindowId = 7;

QString words(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("Wort");
    return list.join(QLatin1Char(' '));
}

// Quick dictation into Mail's field, with the AI and the engine scripted.
struct DictationHarness : CoordinatorHarness {
    explicit DictationHarness(std::function<void(AssistantSettings&)> configure = {})
        : CoordinatorHarness([configure](AssistantSettings& s) {
              s.includeScreenshot = false;
              if (configure)
                  configure(s);
          }) {
        context.front->windowId = kMailWindowId;
        context.snapshot.fieldEditable = true;
        make();
    }
    AppCoordinator& app() { return *coordinator; }

    // Holds the main shortcut, says `text` and lets go.
    void holdAndSay(const QString& text) {
        heard = text;
        app().hotkeyDown();
        clock.advance(320ms);
        context.answerSnapshots();
        app().hotkeyUp();
        QCoreApplication::processEvents();
    }
    // The same while an opening of the panel waits for its read: only the press's own read
    // is answered.
    void holdAndSayWhileOpening(const QString& text) {
        heard = text;
        app().hotkeyDown();
        clock.advance(320ms);
        ASSERT_FALSE(context.snapshots.empty());
        PendingRead<ContextSource::SnapshotDone> press = std::move(context.snapshots.back());
        context.snapshots.pop_back();
        press.done(context.snapshot);
        app().hotkeyUp();
        QCoreApplication::processEvents();
    }
    void dictateOnly(const QString& text) {
        heard = text;
        app().dictateOnlyDown();
        context.answerSnapshots();
        app().dictateOnlyUp();
        QCoreApplication::processEvents();
    }
    // The AI answers the last request.
    void answer(const QString& text) {
        provider.feed({text});
        provider.finish();
    }
    // Lets the paste and the display's timers run.
    void settle(std::chrono::milliseconds time = 3s) {
        clock.advance(time);
        QCoreApplication::processEvents();
    }
    // Every text Tavrin offered to a paste key.
    QStringList pasted() const {
        QStringList texts;
        for (const auto& contents : clipboard.offered) {
            if (!contents.isEmpty())
                texts << QString::fromUtf8(contents[0].representations[0].data);
        }
        return texts;
    }
    Status::Kind status() { return quickDictation.model().status().kind; }
    std::optional<QString> clipboardText() {
        std::optional<QString> text;
        clipboard.readText([&text](std::optional<QString> read) { text = std::move(read); });
        return text;
    }
};

// The copy key for an instruction on the selection goes only into a field that a read says
// is no password entry. A press whose read has not come yet waits for a read of the field
// now; a read that says nothing (the role or the whole read did not come in time) is no "no".
TEST(AppCoordinatorDictationTest, TheCopyKeyGoesOnlyWhereAReadSaysTheFieldIsNoPassword) {
    struct Case {
        const char* name;
        bool pressReadArrives;
        bool password;
        // The snapshot read says nothing of the field at all.
        bool noSnapshot;
        bool copied;
    };
    const Case cases[] = {
        {"the press's read: no password", true, false, false, true},
        {"the press's read: a password entry, or one it could not tell", true, true, false, false},
        {"no read yet: the read now says no password", false, false, false, true},
        {"no read yet: the read now says a password entry, or cannot tell", false, true, false,
         false},
        {"no read yet, and none comes", false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h;
        h.context.snapshot.fieldIsPassword = c.password;
        int copies = 0;
        h.keys.onSend = [&](quint16 key, quint64) {
            if (key != VirtualKey::C)
                return;
            ++copies;
            h.clipboard.writeAsOtherProgram(
                {Platform::ClipboardItem{{{QStringLiteral("text/plain"), QByteArray("Welt")}}}});
        };
        h.heard = QStringLiteral("übersetz das ins Englische");
        h.app().hotkeyDown();
        h.clock.advance(320ms);
        if (c.pressReadArrives)
            h.context.answerSnapshots();
        h.app().hotkeyUp();
        QCoreApplication::processEvents();
        h.settle(300ms);
        // The read of the field now, where the press's has not come.
        h.context.hasSnapshot = !c.noSnapshot;
        h.context.answerSnapshots();
        h.settle(300ms);
        EXPECT_EQ(copies, c.copied ? 1 : 0);
        ASSERT_FALSE(h.provider.calls.empty());
        EXPECT_EQ(h.provider.calls.front().request.system,
                  c.copied ? DictationPrompts::selection() : DictationPrompts::instruction());
    }
}

TEST(AppCoordinatorDictationTest, TheRoutingTable) {
    struct Case {
        const char* name;
        QString spoken;
        bool editable;
        QString selection;       // in the target; empty: none
        QStringList aiAnswers;   // one per AI call, in order
        QString expectedSystem;  // of the first AI call; empty: no call
        QString pasted;          // empty: nothing pasted
        QString panelRequest;    // empty: no panel
        std::optional<ReplyKind> panelForced;
        Status::Kind status;
        bool password = false;
    };
    const QString longText = words(35);
    const Case cases[] = {
        {"a question without a field opens the panel",
         "Was ist das?",
         false,
         {},
         {},
         {},
         {},
         "Was ist das?",
         ReplyKind::chat,
         Status::Kind::toPanel},
        {"the same question into a field is text",
         "Was ist das?",
         true,
         {},
         {},
         {},
         "Was ist das?",
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"a memory note",
         "Merk dir: Black Friday am Freitag",
         true,
         {},
         {},
         {},
         {},
         {},
         std::nullopt,
         Status::Kind::remembered},
        {"the AI says TASK",
         "Schreib mir einen Post über Katzen",
         true,
         {},
         {"Das ist ein task."},
         DictationPrompts::decision(),
         {},
         "Schreib mir einen Post über Katzen",
         std::nullopt,
         Status::Kind::toPanelDraft},
        {"the AI says TEXT",
         "Schreib mir einen Post über Katzen",
         true,
         {},
         {"TEXT"},
         DictationPrompts::decision(),
         "Schreib mir einen Post über Katzen",
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"an instruction on the selection",
         "übersetz das ins Englische",
         true,
         "Hallo Welt",
         {"  Hello world\n"},
         DictationPrompts::selection(),
         "Hello world",
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"an instruction in a password field copies none of it",
         "übersetz das ins Englische",
         true,
         {},
         {"translate that"},
         DictationPrompts::instruction(),
         "translate that",
         {},
         std::nullopt,
         Status::Kind::inserted,
         true},
        {"an instruction without selection",
         "Ich komme morgen, auf Englisch",
         true,
         {},
         {"I am coming tomorrow"},
         DictationPrompts::instruction(),
         "I am coming tomorrow",
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"35 words are formatted",
         longText,
         true,
         {},
         {"- Wort"},
         DictationPrompts::formatting(),
         "- Wort",
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"34 words are not",
         words(34),
         true,
         {},
         {},
         {},
         words(34),
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"plain text",
         "  Hallo Anna\n",
         true,
         {},
         {},
         {},
         "Hallo Anna",
         {},
         std::nullopt,
         Status::Kind::inserted},
        {"nothing recognised", " \n ", true, {}, {}, {}, {}, {}, std::nullopt, Status::Kind::empty},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h;
        h.context.snapshot.fieldEditable = c.editable;
        h.context.snapshot.fieldIsPassword = c.password;
        if (c.password) {
            h.keys.onSend = [&](quint16 key, quint64) {
                if (key == VirtualKey::C)
                    h.clipboard.writeAsOtherProgram({Platform::ClipboardItem{
                        {{QStringLiteral("text/plain"), QByteArray("geheim")}}}});
            };
        }
        if (!c.selection.isEmpty()) {
            h.keys.onSend = [&](quint16 key, quint64) {
                if (key == VirtualKey::C)
                    h.clipboard.writeAsOtherProgram({Platform::ClipboardItem{
                        {{QStringLiteral("text/plain"), c.selection.toUtf8()}}}});
            };
        }
        h.holdAndSay(c.spoken);
        h.settle(300ms);
        for (const QString& answer : c.aiAnswers) {
            ASSERT_FALSE(h.provider.calls.empty());
            h.answer(answer);
            h.settle(300ms);
        }
        if (!c.expectedSystem.isEmpty()) {
            ASSERT_FALSE(h.provider.calls.empty());
            EXPECT_EQ(h.provider.calls.front().request.system, c.expectedSystem);
            EXPECT_EQ(h.provider.calls.front().request.model, QStringLiteral("haiku"));
            EXPECT_FALSE(h.provider.calls.front().request.imageJPEG);
        }
        if (!c.selection.isEmpty()) {
            EXPECT_EQ(h.provider.calls.front().request.user,
                      QStringLiteral("Instruction: ") + c.spoken +
                          QStringLiteral("\n\nSelected text:\n") + c.selection);
        }
        if (!c.panelRequest.isEmpty()) {
            // The panel opens with a fresh snapshot, then the text goes out as a request.
            h.context.answerSnapshots();
            ASSERT_TRUE(h.app().session());
            EXPECT_EQ(h.app().session()->turns().last().user, c.panelRequest);
            EXPECT_EQ(h.app().lastRequest()->forced, c.panelForced);
        } else {
            EXPECT_FALSE(h.app().session());
        }
        h.settle();
        EXPECT_EQ(h.status(), c.status);
        EXPECT_EQ(h.pasted(), c.pasted.isEmpty() ? QStringList() : QStringList{c.pasted});
        if (c.status == Status::Kind::remembered) {
            EXPECT_EQ(h.memory.data().saved.size(), 1);
        }
    }
}

TEST(AppCoordinatorDictationTest, TheDecidingProviderIsTheOneOfTheRelease) {
    DictationHarness h([](AssistantSettings& s) { s.provider = ProviderID::codexCLI; });
    h.holdAndSay(QStringLiteral("Schreib mir einen Post über Katzen"));
    h.settings.update([](AssistantSettings& s) { s.provider = ProviderID::claudeCLI; });
    h.answer(QStringLiteral("TEXT"));
    h.settle();
    ASSERT_EQ(h.provider.calls.size(), 1u);
    EXPECT_EQ(h.provider.calls[0].provider, ProviderID::codexCLI);
}

TEST(AppCoordinatorDictationTest, AHungToolHoldsTheWordsAtMostThirtySecondsAfterTheRelease) {
    const struct {
        const char* name;
        QString spoken;
        // Answers of the calls before the one that hangs, each after the given time.
        std::vector<std::pair<std::chrono::milliseconds, QString>> answered;
        // Every call's system prompt, the hung one last.
        QStringList systems;
    } rows[] = {
        {"the decision hangs",
         "Schreib mir einen Post über Katzen",
         {},
         {DictationPrompts::decision()}},
        // Formatting would come next: it must not get a time of its own.
        {"the instruction of a long dictation hangs",
         "Auf Englisch bitte: " + words(35),
         {},
         {DictationPrompts::instruction()}},
        {"the decision takes twenty seconds, then the instruction hangs",
         "Schreib mir eine Mail auf Englisch, ich komme morgen",
         {{20s, "TEXT"}},
         {DictationPrompts::decision(), DictationPrompts::instruction()}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DictationHarness h;
        h.holdAndSay(row.spoken);
        std::chrono::milliseconds sinceRelease{0};
        for (const auto& [after, answer] : row.answered) {
            h.settle(after);
            sinceRelease += after;
            h.answer(answer);
            QCoreApplication::processEvents();
        }
        h.settle(29500ms - sinceRelease);
        EXPECT_TRUE(h.pasted().isEmpty());
        h.settle(1s);
        QStringList systems;
        for (const auto& call : h.provider.calls)
            systems << call.request.system;
        EXPECT_EQ(systems, row.systems);
        EXPECT_TRUE(*h.provider.calls.back().cancelled) << "the hung call is dropped";
        EXPECT_EQ(h.pasted(), QStringList{row.spoken});
        EXPECT_EQ(h.quickDictation.model().status(),
                  Status::failed("KI nicht erreichbar – Originaltext eingefügt"));
        h.settle();
        EXPECT_FALSE(h.quickDictation.hud().isVisible()) << "the failure does not stay for good";
    }
}

// A step that comes after the time is up starts no tool at all: its process would only be
// ended again at once.
TEST(AppCoordinatorDictationTest, NoCallStartsAfterTheThirtySeconds) {
    DictationHarness h;
    const QString spoken = QStringLiteral("Schreib mir eine Mail auf Englisch, ich komme morgen");
    h.holdAndSay(spoken);
    h.settle(29900ms);
    h.answer(QStringLiteral("TEXT"));
    QCoreApplication::processEvents();
    // The selection's copy takes the routing past the thirty seconds.
    h.settle(1s);
    EXPECT_EQ(h.provider.calls.size(), 1u);
    EXPECT_EQ(h.pasted(), QStringList{spoken});
    EXPECT_EQ(h.quickDictation.model().status(),
              Status::failed("KI nicht erreichbar – Originaltext eingefügt"));
}

TEST(AppCoordinatorDictationTest, AnEngineFailureWithTextIsShownThenHidden) {
    DictationHarness h;
    h.heard = QStringLiteral("Hallo Anna");
    h.app().hotkeyDown();
    h.clock.advance(320ms);
    h.context.answerSnapshots();
    h.quickDictation.model().setStatus(Status::failed(QStringLiteral("Mikrofon gestört")));
    h.app().hotkeyUp();
    h.settle(2s);
    EXPECT_EQ(h.pasted(), QStringList{QStringLiteral("Hallo Anna")});
    EXPECT_EQ(h.status(), Status::Kind::failed);
    EXPECT_FALSE(h.undoToast.isVisible()) << "no toast over a failure";
    h.settle();
    EXPECT_FALSE(h.quickDictation.hud().isVisible());
}

TEST(AppCoordinatorDictationTest, InsertionWaitsAtMostASecondForTheModifiers) {
    DictationHarness h;
    h.modifiers.flags = EventFlag::Option;
    h.holdAndSay(QStringLiteral("Hallo Anna"));
    const Platform::Nanoseconds released = h.clock.monotonic();
    h.settle(500ms);
    EXPECT_TRUE(h.windows.activations.empty()) << "Alt is still held";
    h.settle(3s);
    ASSERT_FALSE(h.keys.sent.empty());
    // A second of waiting here, and the inserter's own wait for the modifiers before its key.
    ASSERT_FALSE(h.windows.activations.empty());
    EXPECT_GE(h.windows.activations.front().at - released, 1000ms);
    EXPECT_LE(h.windows.activations.front().at - released, 1100ms);
}

TEST(AppCoordinatorDictationTest, DictatedInsertionRecordsAndTeaches) {
    struct Case {
        const char* name;
        QString spoken;
        bool learnStyle;
        bool trusted;
        int styleSignals;
        bool pastes;
        Status::Kind status;
    };
    const QString twentyFour = QStringLiteral("Das sind genau vierundzw");
    ASSERT_EQ(twentyFour.size(), 24);
    const Case cases[] = {
        {"24 characters teach nothing", twentyFour, true, true, 0, true, Status::Kind::inserted},
        {"25 characters teach", twentyFour + QStringLiteral("a"), true, true, 1, true,
         Status::Kind::inserted},
        {"style learning off", twentyFour + QStringLiteral("a"), false, true, 0, true,
         Status::Kind::inserted},
        {"no accessibility: to the clipboard", QStringLiteral("Hallo Anna"), true, false, 0, false,
         Status::Kind::failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h([&](AssistantSettings& s) { s.learnStyle = c.learnStyle; });
        h.trust.trusted = c.trusted;
        h.permissions.refresh();
        h.holdAndSay(c.spoken);
        h.settle(2s);
        EXPECT_EQ(h.memory.data().styleSignals.size(), c.styleSignals);
        if (c.styleSignals) {
            EXPECT_EQ(h.memory.data().styleSignals.last(),
                      QStringLiteral("Own words (dictated): ") + c.spoken);
        }
        EXPECT_EQ(!h.keys.sent.empty(), c.pastes);
        EXPECT_EQ(h.status(), c.status);
        if (!c.trusted) {
            EXPECT_EQ(h.clipboardText(), c.spoken);
            EXPECT_EQ(h.quickDictation.model().status().text,
                      QStringLiteral("In die Zwischenablage kopiert (Barrierefreiheit aus)"));
        }
        EXPECT_EQ(h.memory.data().activity.last().text, c.spoken);
    }
}

// Words that could not be pasted go to the clipboard, and the display says so only where the
// clipboard took them; where they could not go there, or the user's clipboard must stay, the
// panel keeps them in its input. The activity record keeps them either way.
TEST(AppCoordinatorDictationTest, WordsThatWentNowhereAreNotClaimedOnTheClipboard) {
    struct Case {
        const char* name;
        bool trusted;
        bool keyMissing;
        int refusedWrites;
        std::optional<QString> clipboard;
        QString shown;
        int failedSaves = 0;
        bool inPanel = false;
        // The tray's "Tavrin öffnen" opens the panel as the words are spoken.
        bool opening = false;
    };
    const QString spoken = QStringLiteral("Hallo Anna");
    const QString fremd = QStringLiteral("fremd");
    const QString notPlaced = QStringLiteral("Nicht eingefügt – Zwischenablage nicht verfügbar");
    const Case cases[] = {
        {"no paste key: on the clipboard", true, true, 0, spoken,
         QStringLiteral("In die Zwischenablage kopiert")},
        // A refused write is another program's newer claim: what it wrote stays.
        {"another program takes the clipboard at each try", true, false, 10, fremd,
         QStringLiteral("Nicht eingefügt – inzwischen wurde etwas anderes kopiert"), 0, true},
        {"no accessibility, the write refused", false, false, 10, fremd, notPlaced, 0, true},
        {"the user's clipboard not kept whole", true, false, 0, fremd,
         QStringLiteral("Nicht eingefügt – die Zwischenablage antwortet nicht"), 1, true},
        {"another program takes the clipboard, the panel already opening", true, false, 10,
         fremd, QStringLiteral("Nicht eingefügt – inzwischen wurde etwas anderes kopiert"), 0,
         true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h;
        h.trust.trusted = c.trusted;
        h.permissions.refresh();
        if (c.keyMissing)
            h.keys.withheld = {VirtualKey::V};
        h.clipboard.writeAsOtherProgram(
            {Platform::ClipboardItem{{{QStringLiteral("text/plain"), fremd.toUtf8()}}}});
        h.clipboard.refusedWrites = c.refusedWrites;
        h.clipboard.failedSaves = c.failedSaves;
        if (c.opening) {
            h.app().invoke();
            h.holdAndSayWhileOpening(spoken);
        } else {
            h.holdAndSay(spoken);
        }
        h.settle(2s);

        EXPECT_EQ(h.clipboardText(), c.clipboard);
        EXPECT_EQ(h.status(), Status::Kind::failed);
        EXPECT_EQ(h.quickDictation.model().status().text, c.shown);
        EXPECT_EQ(h.memory.data().activity.last().text, spoken);
        h.context.answerSnapshots();  // the panel opens once it has read the context
        ASSERT_EQ(h.app().session() != nullptr, c.inPanel);
        if (c.inPanel) {
            EXPECT_EQ(h.app().session()->instruction(), spoken);
            EXPECT_TRUE(h.app().session()->turns().isEmpty()) << "the words were sent";
        }
    }
}

// Spoken text that meets an opening of the panel under way goes to that panel: the first
// request is sent, and whatever else was said waits in its input.
TEST(AppCoordinatorDictationTest, SpokenTextGoesToThePanelAlreadyOpening) {
    struct Case {
        const char* name;
        // The tray's "Tavrin öffnen" opens the panel first.
        bool trayOpening;
        // One dictation each, without a field: questions ask for a reply, the other words
        // went nowhere.
        QStringList spoken;
        QString sent;  // empty: nothing sent
        QString input;
    };
    const Case cases[] = {
        {"a question, the tray's opening", true, {"Was ist das?"}, "Was ist das?", ""},
        {"words that went nowhere, a question's opening",
         false,
         {"Was ist das?", "Hallo Anna"},
         "Was ist das?",
         "Hallo Anna"},
        {"a second question, the first one's opening",
         false,
         {"Was ist das?", "Wie spät ist es?"},
         "Was ist das?",
         "Wie spät ist es?"},
        {"words that went nowhere twice",
         false,
         {"Hallo Anna", "bis morgen"},
         "",
         "Hallo Anna bis morgen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h;
        h.context.snapshot.fieldEditable = false;
        h.trust.trusted = false;
        h.permissions.refresh();
        h.clipboard.refusedWrites = 100;
        if (c.trayOpening)
            h.app().invoke();
        for (const QString& spoken : c.spoken) {
            h.holdAndSayWhileOpening(spoken);
            h.settle(2s);
        }
        ASSERT_FALSE(h.app().session()) << "the panel waits for its read";
        h.context.answerSnapshots();
        ASSERT_TRUE(h.app().session());
        EXPECT_EQ(h.panel.shows, 1);
        const QList<ConversationTurn> turns = h.app().session()->turns();
        if (c.sent.isEmpty()) {
            EXPECT_TRUE(turns.isEmpty());
        } else {
            ASSERT_EQ(turns.size(), 1);
            EXPECT_EQ(turns.first().user, c.sent);
            EXPECT_EQ(h.app().lastRequest()->forced, ReplyKind::chat);
        }
        EXPECT_EQ(h.app().session()->instruction(), c.input);
    }
}

TEST(AppCoordinatorDictationTest, DictateOnlyInsertsWordForWordBesideItsOwnField) {
    DictationHarness h;
    // A hold of the main shortcut leaves its snapshot of another field behind.
    h.context.snapshot.fieldFrame = QRectF(700, 600, 200, 30);
    h.holdAndSay(QStringLiteral("Hallo"));
    h.settle();
    h.undoToast.hide();
    h.settle();

    h.context.snapshot.fieldFrame = QRectF(100, 200, 300, 40);
    h.dictateOnly(QStringLiteral("  Merk dir: übersetz das ins Englische?\n"));
    h.settle();
    EXPECT_TRUE(h.provider.calls.empty()) << "no AI";
    EXPECT_TRUE(h.memory.data().saved.isEmpty());
    EXPECT_EQ(h.pasted().last(), QStringLiteral("Merk dir: übersetz das ins Englische?"));
    ASSERT_TRUE(h.undoToast.isVisible());
    EXPECT_EQ(h.undoToast.window()->geometry().topLeft(), QPoint(100, 250));
}

TEST(AppCoordinatorDictationTest, DictateOnlyPressesThatDoNotCount) {
    struct Case {
        const char* name;
        std::function<void(DictationHarness&)> before;
    };
    const Case cases[] = {
        {"the main shortcut is held", [](DictationHarness& h) { h.app().hotkeyDown(); }},
        {"a quick dictation listens",
         [](DictationHarness& h) {
             h.app().hotkeyDown();
             h.clock.advance(320ms);
             h.app().hotkeyUp();
             h.quickDictation.prepare(h.settings.settings(), false);
         }},
        {"no microphone",
         [](DictationHarness& h) { h.microphone.current = Platform::AuthorizationStatus::denied; }},
        {"dictation off",
         [](DictationHarness& h) {
             h.settings.update([](AssistantSettings& s) { s.dictationEnabled = false; });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h;
        c.before(h);
        h.heard = QStringLiteral("Hallo");
        h.app().dictateOnlyDown();
        h.context.answerSnapshots();
        h.app().dictateOnlyUp();
        h.settle();
        EXPECT_FALSE(h.quickDictation.model().verbatim()) << "no dictate-only dictation";
        EXPECT_TRUE(h.pasted().isEmpty());
    }
}

TEST(AppCoordinatorDictationTest, ADictateOnlyReleaseBeforeTheSnapshotShowsNoDisplay) {
    DictationHarness h;
    h.heard = QStringLiteral("Hallo");
    h.app().dictateOnlyDown();
    h.app().dictateOnlyUp();
    h.context.answerSnapshots();
    EXPECT_FALSE(h.quickDictation.hud().isVisible() &&
                 h.quickDictation.model().status().kind == Status::Kind::listening);
    h.settle();
    EXPECT_EQ(h.pasted(), QStringList{QStringLiteral("Hallo")});
}

// GTK 3 hides its focus while the shortcut's key holds the keyboard: the press's read finds
// no focused window, and the field is read once more after the release, before the words
// are routed.
TEST(AppCoordinatorDictationTest, AFieldHiddenDuringThePressIsReadAfterTheRelease) {
    enum class Reread { findsTheField, findsNothing, meetsANewerPress };
    struct Case {
        const char* name;
        bool dictateOnly;
        Reread reread;
        bool toPanel;
        // Where the last undo toast went; none: no toast.
        std::optional<QPoint> toast;
    };
    const QPoint belowTheField(100, 250);
    const QPoint belowThePointer(399, 522);
    const QPoint belowTheNewerField(300, 640);
    const Case cases[] = {
        {"quick: the field is there after all", false, Reread::findsTheField, false, belowTheField},
        {"quick: still no field", false, Reread::findsNothing, true, std::nullopt},
        {"quick: a newer press", false, Reread::meetsANewerPress, false, belowTheNewerField},
        {"dictate-only: the field is there after all", true, Reread::findsTheField, false,
         belowTheField},
        {"dictate-only: still no field", true, Reread::findsNothing, false, belowThePointer},
        {"dictate-only: a newer press", true, Reread::meetsANewerPress, false, belowTheNewerField},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DictationHarness h;
        ContextSnapshot hidden = h.context.snapshot;
        hidden.fieldFrame.reset();
        hidden.fieldEditable = false;
        hidden.noFocusedWindow = true;
        hidden.pointer = QPointF(400, 500);
        const ContextSnapshot field = h.context.snapshot;
        const auto press = [&] {
            if (c.dictateOnly) {
                h.app().dictateOnlyDown();
            } else {
                h.app().hotkeyDown();
                h.clock.advance(320ms);
            }
        };
        const auto release = [&] {
            if (c.dictateOnly)
                h.app().dictateOnlyUp();
            else
                h.app().hotkeyUp();
            QCoreApplication::processEvents();
        };
        const auto answer = [&](size_t index, const ContextSnapshot& snapshot) {
            ASSERT_LT(index, h.context.snapshots.size());
            ASSERT_TRUE(h.context.snapshots[index].alive());
            h.context.snapshots[index].done(snapshot);
            QCoreApplication::processEvents();
        };

        h.heard = QStringLiteral("Was ist das?");
        press();
        answer(0, hidden);
        release();
        ASSERT_EQ(h.context.snapshots.size(), 2u) << "no read after the release";
        h.settle();
        EXPECT_TRUE(h.pasted().isEmpty()) << "the words wait for the read";
        EXPECT_FALSE(h.app().session());

        switch (c.reread) {
            case Reread::findsTheField:
                answer(1, field);
                break;
            case Reread::findsNothing:
                answer(1, hidden);
                break;
            case Reread::meetsANewerPress: {
                h.heard = QStringLiteral("Hallo");
                press();
                ASSERT_EQ(h.context.snapshots.size(), 3u);
                ContextSnapshot newer = field;
                newer.fieldFrame = QRectF(300, 600, 200, 30);
                answer(2, newer);
                // The older press's read answers last: its field is not the newer press's.
                answer(1, field);
                h.settle();
                release();
                break;
            }
        }
        h.settle();
        if (c.toPanel) {
            // The panel opens with a fresh snapshot, then the question goes out as a request.
            h.context.answerSnapshots();
            ASSERT_TRUE(h.app().session());
            EXPECT_EQ(h.app().session()->turns().last().user, QStringLiteral("Was ist das?"));
            EXPECT_TRUE(h.pasted().isEmpty());
        } else {
            EXPECT_FALSE(h.app().session());
            EXPECT_EQ(h.pasted().first(), QStringLiteral("Was ist das?"));
        }
        EXPECT_EQ(h.context.copySelection.size(),
                  c.toPanel || c.reread == Reread::meetsANewerPress ? 3u : 2u)
            << "read again only once";
        ASSERT_EQ(h.undoToast.isVisible(), c.toast.has_value());
        if (c.toast) {
            EXPECT_EQ(h.undoToast.window()->geometry().topLeft(), *c.toast);
        }
    }
}

// A read that ran out of time leaves nothing of the field and no note: a hung application
// costs the time limit once, not again after the release.
TEST(AppCoordinatorDictationTest, AReadThatTimedOutIsNotRepeated) {
    for (const bool dictateOnly : {false, true}) {
        SCOPED_TRACE(dictateOnly ? "dictate-only" : "quick");
        DictationHarness h;
        h.context.snapshot.fieldFrame.reset();
        h.context.snapshot.fieldEditable = false;
        if (dictateOnly)
            h.dictateOnly(QStringLiteral("Hallo Anna"));
        else
            h.holdAndSay(QStringLiteral("Hallo Anna"));
        h.settle();
        EXPECT_EQ(h.context.copySelection.size(), 1u) << "one read, at the press";
        EXPECT_EQ(h.pasted(), QStringList{QStringLiteral("Hallo Anna")});
    }
}

TEST(AppCoordinatorDictationTest, ThePromptsHaveTheirExactSize) {
    EXPECT_EQ(DictationPrompts::decision().toUtf8().size(), 592);
    EXPECT_EQ(DictationPrompts::formatting().toUtf8().size(), 556);
    EXPECT_EQ(DictationPrompts::instruction().toUtf8().size(), 589);
    EXPECT_EQ(DictationPrompts::selection().toUtf8().size(), 385);
}

}  // namespace
