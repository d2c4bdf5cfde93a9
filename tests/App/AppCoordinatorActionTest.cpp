#include <gtest/gtest.h>

#include "App/CoordinatorHarness.h"

namespace {

using Phase = AssistantSession::Phase;

AssistantAction linkAction(const QString& id, const QString& link) {
    AssistantAction action;
    action.id = id;
    action.name = QStringLiteral("Suche");
    action.kind = AssistantAction::Kind::openURL;
    action.templateText = link;
    return action;
}

ActionProposal proposal(const AssistantAction& action) {
    ActionProposal p;
    p.action = action;
    p.summary = QStringLiteral("Öffnet die Suche.");
    return p;
}

struct ActionHarness : CoordinatorHarness {
    ActionHarness()
        : CoordinatorHarness([](AssistantSettings& s) { s.includeScreenshot = false; }) {
        session = &open();
    }
    void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    AppCoordinator& app() { return *coordinator; }
    AssistantSession* session = nullptr;
};

TEST(AppCoordinatorActionTest, RunningTwiceWhileRunningIsOneRun) {
    ActionHarness h;
    h.session->setActionProposal(proposal(linkAction("suche", "https://example.org/a")));
    h.app().runAction();
    EXPECT_TRUE(
        std::holds_alternative<ActionProposal::Running>(h.session->actionProposal()->status));
    h.app().runAction();
    h.settle();

    EXPECT_EQ(h.urlOpener.opened.size(), 1);
    EXPECT_TRUE(std::holds_alternative<ActionProposal::Done>(h.session->actionProposal()->status));
    // A finished run may run again.
    h.app().runAction();
    h.settle();
    EXPECT_EQ(h.urlOpener.opened.size(), 2);
}

TEST(AppCoordinatorActionTest, TheOutcomeGoesOnlyToTheProposalThatRan) {
    struct Case {
        const char* name;
        bool newProposal;
        bool dismissed;
        bool fails;
        const char* status;  // of the proposal the session holds at the end
    };
    const Case cases[] = {
        {"success", false, false, false, "done"},
        {"failure", false, false, true, "failed"},
        {"a newer proposal keeps waiting", true, false, false, "pending"},
        {"the closed panel's session still learns", false, true, false, "done"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActionHarness h;
        h.urlOpener.succeeds = !c.fails;
        AssistantSession* ran = h.session;
        ran->setActionProposal(proposal(linkAction("suche", "https://example.org/a")));
        h.app().runAction();
        if (c.newProposal)
            ran->setActionProposal(proposal(linkAction("neu", "https://example.org/b")));
        if (c.dismissed)
            h.app().dismiss();
        h.settle();

        const ActionProposal::Status& status = ran->actionProposal()->status;
        const QString seen = std::holds_alternative<ActionProposal::Done>(status)      ? "done"
                             : std::holds_alternative<ActionProposal::Failed>(status)  ? "failed"
                             : std::holds_alternative<ActionProposal::Pending>(status) ? "pending"
                                                                                       : "running";
        EXPECT_EQ(seen, QString::fromLatin1(c.status));
        if (c.fails) {
            EXPECT_TRUE(std::get<ActionProposal::Failed>(status).message.contains(
                QStringLiteral("https://example.org/a")));
        }
    }
}

TEST(AppCoordinatorActionTest, SavingADefinitionAppendsItOnce) {
    struct Case {
        const char* name;
        bool idTakenMeanwhile;
        int saves;
        const char* command;  // a command action with this template instead of a link
        int stored;           // actions in the settings afterwards
    };
    const Case cases[] = {
        {"one save", false, 1, nullptr, 1},
        {"pressed twice", false, 2, nullptr, 1},
        {"the id was taken meanwhile", true, 1, nullptr, 2},
        // every run would refuse it: it is not saved, and not reported saved
        {"a command that never runs", false, 1, "eval {{q}}", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActionHarness h;
        const AssistantAction mine = linkAction("suche", "https://example.org/mine");
        if (c.idTakenMeanwhile)
            h.settings.update([&](AssistantSettings& s) { s.customActions.append(mine); });
        ActionDefinitionProposal definition;
        definition.action = linkAction("suche", "https://example.org/{{q}}");
        if (c.command) {
            definition.action.kind = AssistantAction::Kind::shell;
            definition.action.templateText = QString::fromUtf8(c.command);
            definition.action.parameters = {QStringLiteral("q")};
        }
        h.session->setDefinitionProposal(definition);
        for (int i = 0; i < c.saves; ++i)
            h.app().saveDefinition();

        const QList<AssistantAction> actions = h.settings.settings().customActions;
        ASSERT_EQ(actions.size(), c.stored);
        EXPECT_EQ(h.session->definitionProposal()->saved, c.stored > 0);
        if (c.stored == 0)
            continue;
        EXPECT_EQ(actions.last().templateText, QStringLiteral("https://example.org/{{q}}"));
        EXPECT_NE(actions.first().id, c.idTakenMeanwhile ? actions.last().id : QString());
    }
}

// A failure that spoke of the former project ("Kein GitHub-Repo bekannt …") does not stay
// beside the project chosen afterwards; an outcome that does not depend on it stays.
TEST(AppCoordinatorActionTest, ChoosingAnotherProjectClearsAFailedRun) {
    Project shop;
    shop.name = QStringLiteral("Shop");
    shop.repo = QStringLiteral("acme/shop");
    const ActionProposal::Status failed = ActionProposal::Failed{QStringLiteral("Kein Repo")};
    const ActionProposal::Status done = ActionProposal::Done{QStringLiteral("Erledigt"), {}};
    struct Case {
        const char* name;
        ActionProposal::Status before;
        std::optional<Project> had;
        ActionProposal::Status after;
    };
    const Case cases[] = {
        {"failed, another project", failed, std::nullopt, ActionProposal::Pending{}},
        {"failed, the same project again", failed, shop, failed},
        {"done", done, std::nullopt, done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActionHarness h;
        h.session->setProject(c.had);
        ActionProposal p = proposal(linkAction("suche", "https://example.org/a"));
        p.status = c.before;
        h.session->setActionProposal(p);
        h.app().chooseProject(shop);
        EXPECT_EQ(h.session->project(), shop);
        EXPECT_EQ(h.session->actionProposal()->status, c.after);
    }
}

// ---------------------------------------------------------------------------------------
// Dictation in the panel

struct ListenHarness : ActionHarness {
    // Starts a dictation, lets the engine start and ends it; the engine has not answered.
    void listenAndFinish() {
        app().startListening();
        engine.start(std::nullopt);
        app().finishListening(true);
    }
};

TEST(AppCoordinatorActionTest, DictatedTextJoinsTheInstruction) {
    struct Case {
        const char* name;
        QString typed;
        QString dictated;
        QString instruction;  // afterwards; empty when it went out
        QString sent;         // none: nothing went out
    };
    const Case cases[] = {
        {"alone", {}, " Schreib Hallo\n", {}, "Schreib Hallo"},
        {"after typed text", "Bitte", "kurz", {}, "Bitte kurz"},
        {"typed blanks give way", "   ", "Hallo", {}, "Hallo"},
        {"nothing recognised", "Bitte", " \n ", "Bitte", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListenHarness h;
        h.session->setInstruction(c.typed);
        h.listenAndFinish();
        EXPECT_TRUE(h.session->isListening()) << "still taking the text over";
        h.engine.stop(c.dictated);

        EXPECT_FALSE(h.session->isListening());
        EXPECT_EQ(h.session->instruction(), c.instruction);
        if (c.sent.isEmpty()) {
            EXPECT_TRUE(h.provider.calls.empty());
        } else {
            ASSERT_EQ(h.provider.calls.size(), 1u);
            EXPECT_EQ(h.session->turns().last().user, c.sent);
        }
    }
}

TEST(AppCoordinatorActionTest, ALateDictationLeavesOtherSessionsAlone) {
    struct Case {
        const char* name;
        std::function<void(ListenHarness&)> meanwhile;
    };
    const Case cases[] = {
        {"Escape during the hand-over", [](ListenHarness& h) { h.app().escape(); }},
        {"the panel was dismissed", [](ListenHarness& h) { h.app().dismiss(); }},
        {"a new panel opened", [](ListenHarness& h) { h.open(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListenHarness h;
        h.listenAndFinish();
        const DictationService::StopDone late = h.engine.stop;
        c.meanwhile(h);
        if (AssistantSession* now = h.app().session())
            now->setInstruction(QStringLiteral("Eigener Text"));
        late(QStringLiteral("Schreib Hallo"));

        EXPECT_TRUE(h.provider.calls.empty());
        if (AssistantSession* now = h.app().session()) {
            EXPECT_EQ(now->instruction(), QStringLiteral("Eigener Text"));
        }
    }
}

TEST(AppCoordinatorActionTest, DictationStartsOnlyWhenItMay) {
    ListenHarness streaming;
    streaming.session->setPhase(Phase::streaming());
    streaming.app().startListening();
    EXPECT_EQ(streaming.engine.starts, 0);
    EXPECT_FALSE(streaming.session->isListening());

    ListenHarness noMicrophone;
    noMicrophone.microphone.current = Platform::AuthorizationStatus::notDetermined;
    noMicrophone.permissions.refresh();
    noMicrophone.app().startListening();
    EXPECT_EQ(noMicrophone.engine.starts, 0);
    EXPECT_EQ(noMicrophone.microphone.requests, 1);
}

// The microphone button never does nothing: it listens once the request for what it needs
// has its answers, or says what keeps dictation from starting.
TEST(AppCoordinatorActionTest, AMicrophoneClickListensOrSaysWhy) {
    using Status = Platform::AuthorizationStatus;
    const QString noMicrophone =
        QStringLiteral("Kein Mikrofon gefunden – eins anschließen oder Toneinstellungen prüfen.");
    const struct {
        const char* name;
        Status microphone;            // at the last look before the click
        std::optional<Status> since;  // what the system says by the click
        Status speech;
        std::optional<Status> answer;  // to the microphone's request, when one waits
        bool listens;
        std::optional<QString> said;
    } cases[] = {
        {"no sound input", Status::denied, std::nullopt, Status::authorized, std::nullopt, false,
         noMicrophone},
        {"no speech model", Status::authorized, std::nullopt, Status::restricted, std::nullopt,
         false, QStringLiteral("Kein Sprachmodell installiert (Paket pocketsphinx-en-us).")},
        {"the probe finds none", Status::notDetermined, std::nullopt, Status::authorized,
         Status::denied, false, noMicrophone},
        {"the probe finds one", Status::notDetermined, std::nullopt, Status::authorized,
         Status::authorized, true, std::nullopt},
        {"the sound server came up since", Status::denied, Status::authorized, Status::authorized,
         std::nullopt, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ListenHarness h;
        h.microphone.current = c.microphone;
        h.speech.current = c.speech;
        h.permissions.refresh();
        if (c.since)
            h.microphone.current = *c.since;
        h.app().startListening();
        if (c.answer)
            h.microphone.answer(*c.answer);
        EXPECT_EQ(h.engine.starts, c.listens ? 1 : 0);
        EXPECT_EQ(h.session->isListening(), c.listens);
        EXPECT_EQ(h.session->dictationError(), c.said);
    }
}

TEST(AppCoordinatorActionTest, AFailedStartEndsListeningWithItsMessage) {
    ListenHarness h;
    h.app().startListening();
    ASSERT_TRUE(h.session->isListening());
    h.engine.start(QStringLiteral("Kein Mikrofon gefunden."));

    EXPECT_FALSE(h.session->isListening());
    EXPECT_EQ(h.session->dictationError(), QStringLiteral("Kein Mikrofon gefunden."));
    EXPECT_EQ(h.engine.cancels, 1);
    EXPECT_TRUE(h.log.lines.contains(
        QStringLiteral("[Tavrin] Spracheingabe-Start: Kein Mikrofon gefunden.")));
    // The next press starts afresh.
    h.app().startListening();
    EXPECT_EQ(h.engine.starts, 2);
}

}  // namespace
