#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "App/CoordinatorHarness.h"
#include "App/PanelControllerHost.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Panel/QuoteBlock.h"
#include "Platform/fake/FakeFloatingWindows.h"

namespace {

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;
namespace EventFlag = Platform::EventFlag;
namespace VirtualKey = Platform::VirtualKey;

constexpr quint32 kMailWindow = 7;

Platform::ClipboardContents plainText(const QString& text) {
    return {Platform::ClipboardItem{{{QStringLiteral("text/plain"), text.toUtf8()}}}};
}

// A panel over Mail's window whose reply left the draft "Hallo Welt".
struct InsertHarness : CoordinatorHarness {
    explicit InsertHarness(std::function<void(AssistantSettings&)> configure = {},
                           std::function<void(CoordinatorHarness&)> arrange = {})
        : CoordinatorHarness([configure](AssistantSettings& s) {
              s.includeScreenshot = false;
              if (configure)
                  configure(s);
          }) {
        if (arrange)
            arrange(*this);
        context.front->windowId = kMailWindow;
        clipboard.writeAsOtherProgram(plainText(QStringLiteral("vorher")));
        session = &open();
        session->setDraft(QStringLiteral("Hallo Welt"));
        session->setPhase(Phase::done());
    }
    // Lets the paste run to its end: activation, the key, the clipboard put back.
    void paste() {
        clock.advance(2s);
        QCoreApplication::processEvents();
    }
    bool pasted(quint16 key) const {
        return std::any_of(keys.sent.cbegin(), keys.sent.cend(), [&](const auto& sent) {
            return sent.keyCode == key &&
                   (key != VirtualKey::V || sent.flags == EventFlag::Command);
        });
    }
    AppCoordinator& app() { return *coordinator; }

    AssistantSession* session = nullptr;
};

TEST(AppCoordinatorInsertTest, InsertionFollowsTheSettings) {
    struct Case {
        const char* name;
        bool close;
        bool sendAfter;
        bool undoAfter;
        bool terminal;
        bool sessionStays;
        bool returnKey;
        bool toast;
    };
    const Case cases[] = {
        {"closes, pastes, offers undo", true, false, true, false, false, false, true},
        {"Return after the paste, no undo", true, true, true, false, false, true, false},
        {"undo switched off", true, false, false, false, false, false, false},
        {"panel only hidden and back", false, false, true, false, true, false, true},
        {"a terminal is told, without an undo", true, false, true, true, false, false, true},
    };
    // A case that cannot go on (no toast to look at) ends alone; the others still run.
    const auto check = [](const Case& c) {
        InsertHarness h([&](AssistantSettings& s) {
            s.closePanelAfterInsert = c.close;
            s.sendAfterInsert = c.sendAfter;
            s.undoAfterInsert = c.undoAfter;
        });
        if (c.terminal)
            h.terminals.terminalWindows.insert(kMailWindow);
        AssistantSession* inserted = h.session;
        h.app().insert();

        EXPECT_FALSE(h.panel.isShown());
        EXPECT_FALSE(h.pasted(VirtualKey::V)) << "the key waits for the target to come forward";

        h.paste();
        EXPECT_EQ(h.app().session() != nullptr, c.sessionStays);
        EXPECT_TRUE(h.pasted(VirtualKey::V));
        EXPECT_EQ(h.pasted(VirtualKey::Return), c.returnKey);
        EXPECT_EQ(h.clipboard.contents, plainText(QStringLiteral("vorher")));
        EXPECT_EQ(h.panel.isShown(), c.sessionStays);
        if (c.sessionStays) {
            EXPECT_EQ(h.panel.lastShown, inserted);
        }
        const QList<MemoryEntry> activity = h.memory.data().activity;
        const bool wrote = std::any_of(activity.cbegin(), activity.cend(), [](const auto& e) {
            return e.kind == MemoryEntry::Kind::wrote && e.text == QStringLiteral("Hallo Welt") &&
                   e.app == QStringLiteral("Mail");
        });
        EXPECT_TRUE(wrote);

        ASSERT_FALSE(h.windows.activations.empty()) << "the target never came forward";
        EXPECT_EQ(h.windows.activations.front().windowId, kMailWindow);
        ASSERT_EQ(h.undoToast.isVisible(), c.toast);
        if (c.toast) {
            // Beside the field of the snapshot, 10 below it.
            EXPECT_EQ(h.undoToast.window()->geometry().left(), 100);
            EXPECT_EQ(h.undoToast.window()->geometry().top(), 250);
            ASSERT_NE(h.undoToast.view(), nullptr);
            EXPECT_EQ(h.undoToast.view()->undoButton() != nullptr, !c.terminal);
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        check(c);
    }
}

// With "Panel schließen" off the same session comes back in a new view of the real panel,
// now compact over its selection; the user's clipboard is theirs again afterwards.
TEST(AppCoordinatorInsertTest, ThePanelComesBackAfterInsertingOverASelection) {
    Platform::FakeFloatingWindows floating;
    std::unique_ptr<PanelController> controller;
    std::unique_ptr<PanelControllerHost> host;
    InsertHarness h([](AssistantSettings& s) { s.closePanelAfterInsert = false; },
                    [&](CoordinatorHarness& harness) {
                        controller = std::make_unique<PanelController>(PanelController::Services{
                            harness.clock, floating, [] { return false; }});
                        host = std::make_unique<PanelControllerHost>(*controller, floating);
                        harness.panelHost = host.get();
                        harness.context.snapshot.selectedText = QStringLiteral("Hallo alle");
                    });
    ASSERT_TRUE(h.session->quote() && h.session->quote()->isSelection);
    ASSERT_TRUE(host->isShown());

    for (const QString& draft : {QStringLiteral("Hallo Welt"), QStringLiteral("Nochmal")}) {
        SCOPED_TRACE(draft.toStdString());
        // Once more, as a user does who keeps the panel open.
        h.session->setDraft(draft);
        h.app().insert();
        h.paste();
        EXPECT_TRUE(h.pasted(VirtualKey::V));
        EXPECT_EQ(h.clipboard.contents, plainText(QStringLiteral("vorher")));
        EXPECT_TRUE(host->isShown());
        ASSERT_NE(controller->view(), nullptr);
        auto* quote = controller->view()->findChild<QuoteBlock*>();
        ASSERT_NE(quote, nullptr);
        EXPECT_EQ(quote->variant(), QuoteBlock::Variant::compactSelection);
    }
    controller->hide();
    h.clock.advance(1s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(AppCoordinatorInsertTest, AHiddenPanelComesBackOnlyForItsOwnSession) {
    InsertHarness h([](AssistantSettings& s) { s.closePanelAfterInsert = false; });
    AssistantSession* first = h.session;
    h.app().insert();
    // The user opens Tavrin anew while the paste runs.
    AssistantSession& second = h.open();
    ASSERT_NE(&second, first);
    const int shows = h.panel.shows;

    h.paste();
    EXPECT_EQ(h.panel.shows, shows);
    EXPECT_EQ(h.panel.lastShown, &second);
}

TEST(AppCoordinatorInsertTest, WithoutAccessibilityTheDraftGoesToTheClipboard) {
    InsertHarness h;
    h.trust.trusted = false;
    h.permissions.refresh();
    h.app().insert();
    h.paste();

    EXPECT_EQ(h.clipboard.contents, plainText(QStringLiteral("Hallo Welt")));
    ASSERT_EQ(h.session->phase().kind(), Phase::Kind::failed);
    EXPECT_EQ(h.session->phase().problem()->kind(), AssistantProblem::Kind::accessibilityMissing);
    EXPECT_TRUE(h.panel.isShown());
    EXPECT_TRUE(h.keys.sent.empty());
    EXPECT_TRUE(h.memory.data().activity.isEmpty());
}

// A paste that did not happen: the draft waits on the clipboard, and the toast beside the
// field says so; there is nothing to undo. The clipboard, which may have held another
// program's text, is never replaced without that notice. Where the clipboard will not take the
// draft either, nothing claims it is there: the toast says so and the panel comes back with
// the draft, whether or not it was to close.
TEST(AppCoordinatorInsertTest, ADraftThatWentNowhereIsNeitherLostNorClaimedPlaced) {
    // The inserter tries its own write this many times before it gives up.
    constexpr int kInserterTries = 3;
    struct Case {
        const char* name;
        bool trusted;
        bool keyMissing;
        int refusedWrites;
        bool keptOpen;
        // On the clipboard afterwards, and what the toast says.
        QString clipboard;
        QString notice;
        // Before the insert, and while the target has not taken the draft yet.
        std::function<void(InsertHarness&)> before = {};
        std::function<void(InsertHarness&)> meanwhile = {};
    };
    const QString draft = QStringLiteral("Hallo Welt");
    const QString foreign = QStringLiteral("fremd");
    const QString notPlaced = QStringLiteral("Nicht eingefügt – Zwischenablage nicht verfügbar");
    const QString notPasted = UndoToast::notPastedText();
    const Case cases[] = {
        {"the keyboard map has no paste key", true, true, 0, false, draft, notPasted},
        // A refused write is another program's newer claim: what it wrote stays.
        {"another program takes the clipboard at each of the inserter's tries", true, false,
         kInserterTries, false, foreign, UndoToast::overwrittenText()},
        {"the same with the panel kept open", true, false, kInserterTries, true, foreign,
         UndoToast::overwrittenText()},
        {"no accessibility and the clipboard refuses", false, false, 10, true, foreign,
         notPlaced},
        {"the user copies while the target is busy: the copy stays", true, false, 0, false,
         "kopiert", UndoToast::overwrittenText(),
         [](InsertHarness& h) { h.clipboard.fetchAfter.reset(); },
         [](InsertHarness& h) {
             h.clock.advance(2s);
             h.clipboard.writeAsOtherProgram(plainText(QStringLiteral("kopiert")));
             h.clock.advance(4s);
         }},
        {"the user's clipboard does not arrive whole", true, false, 0, false, foreign,
         UndoToast::unsavedText(), [](InsertHarness& h) { h.clipboard.failedSaves = 1; }},
        // A second key would paste twice, or this draft where the first goes.
        {"Mail has not answered an earlier paste key in another of its windows", true, false, 0,
         false, draft, UndoToast::busyText(), [](InsertHarness& h) {
             h.clipboard.fetchAfter.reset();
             Platform::RunningApplication other = *h.context.front;
             other.windowId = kMailWindow + 1;
             h.inserter.insert(QStringLiteral("Erster"), other, false);
             h.clock.advance(6s);
             h.keys.sent.clear();
         }},
    };
    // A case that cannot go on (no toast, no session) ends alone; the others still run.
    const auto check = [&draft, &foreign](const Case& c) {
        InsertHarness h([&c](AssistantSettings& s) { s.closePanelAfterInsert = !c.keptOpen; });
        h.trust.trusted = c.trusted;
        h.permissions.refresh();
        if (c.keyMissing)
            h.keys.withheld = {VirtualKey::V};
        h.clipboard.writeAsOtherProgram(plainText(foreign));
        h.clipboard.refusedWrites = c.refusedWrites;
        AssistantSession* inserted = h.session;
        if (c.before)
            c.before(h);
        h.app().insert();
        if (c.meanwhile)
            c.meanwhile(h);
        h.paste();

        if (!c.meanwhile) {
            EXPECT_FALSE(h.pasted(VirtualKey::V));
        }
        EXPECT_EQ(h.clipboard.contents, plainText(c.clipboard));
        if (c.clipboard != draft) {
            // The draft is still at hand, in the panel, and nothing there points to the
            // clipboard.
            EXPECT_TRUE(h.panel.isShown());
            EXPECT_EQ(h.panel.lastShown, inserted);
            ASSERT_EQ(h.app().session(), inserted) << "the session with the draft is gone";
            EXPECT_EQ(inserted->draft(), QStringLiteral("Hallo Welt"));
            EXPECT_EQ(inserted->phase().kind(), Phase::Kind::done);
        }
        ASSERT_TRUE(h.undoToast.isVisible()) << "nobody learns that nothing went in";
        ASSERT_NE(h.undoToast.view(), nullptr);
        EXPECT_EQ(h.undoToast.view()->undoButton(), nullptr) << "an undo for nothing";
        EXPECT_EQ(h.undoToast.view()->message(), c.notice);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        check(c);
    }
}

TEST(AppCoordinatorInsertTest, NothingToInsertOutsideAFinishedDraft) {
    struct Case {
        const char* name;
        Phase phase;
        QString draft;
    };
    const Case cases[] = {
        {"still streaming", Phase::streaming(), QStringLiteral("Hallo")},
        {"blank draft", Phase::done(), QStringLiteral(" \n ")},
        {"ready, no draft", Phase::ready(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InsertHarness h;
        h.session->setDraft(c.draft);
        h.session->setPhase(c.phase);
        h.app().insert();
        h.paste();
        EXPECT_TRUE(h.panel.isShown());
        EXPECT_TRUE(h.keys.sent.empty());
    }
}

// "Senden selbst übernehmen": where the Return could not follow the paste into its field (the
// user went elsewhere meanwhile), the draft went in unsent, and the toast says so.
TEST(AppCoordinatorInsertTest, AReturnThatCouldNotFollowThePasteIsSaid) {
    InsertHarness h([](AssistantSettings& s) { s.sendAfterInsert = true; });
    h.keys.onSend = [&h](quint16 key, quint64) {
        if (key == VirtualKey::V)
            h.windows.activeWindow = 0;
    };
    h.app().insert();
    h.paste();

    EXPECT_TRUE(h.pasted(VirtualKey::V));
    EXPECT_FALSE(h.pasted(VirtualKey::Return));
    ASSERT_TRUE(h.undoToast.isVisible());
    EXPECT_EQ(h.undoToast.view()->message(), UndoToast::notSentText());
    EXPECT_EQ(h.clipboard.contents, plainText(QStringLiteral("vorher")));
}

TEST(AppCoordinatorInsertTest, StopGeneratingTidiesTheConversation) {
    struct Case {
        const char* name;
        QStringList chunks;
        QString typedMeanwhile;
        int turnsLeft;
        QString instruction;
        Phase::Kind phase;
        QString draft;
    };
    const Case cases[] = {
        {"before the marker: the instruction comes back",
         {},
         {},
         0,
         "Schreib Hallo",
         Phase::Kind::ready,
         {}},
        {"typed text meanwhile stays", {}, "Neu", 0, "Neu", Phase::Kind::ready, {}},
        {"a draft stays, trimmed",
         {"[[DRAFT]]\n\nHallo Welt  \n"},
         {},
         1,
         {},
         Phase::Kind::done,
         "Hallo Welt"},
        {"an empty chat turn goes",
         {"[[CHAT]]\n\n  "},
         {},
         0,
         "Schreib Hallo",
         Phase::Kind::ready,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InsertHarness h;
        h.session->setDraft(QString());
        h.session->setPhase(Phase::ready());
        h.session->setInstruction(QStringLiteral("Schreib Hallo"));
        h.app().primaryAction();
        ASSERT_EQ(h.provider.calls.size(), 1u);
        if (!c.chunks.isEmpty())
            h.provider.feed(c.chunks);
        h.session->setInstruction(c.typedMeanwhile);
        h.app().stopGenerating();

        EXPECT_TRUE(*h.provider.calls[0].cancelled);
        EXPECT_EQ(h.session->turns().size(), c.turnsLeft);
        EXPECT_EQ(h.session->instruction(), c.instruction);
        EXPECT_EQ(h.session->phase().kind(), c.phase);
        EXPECT_EQ(h.session->draft(), c.draft);
        EXPECT_FALSE(h.session->activeTurnID());
    }
}

}  // namespace
