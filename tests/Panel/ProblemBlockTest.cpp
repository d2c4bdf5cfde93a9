#include <gtest/gtest.h>

#include <QTest>

#include "Design/ElidedLabel.h"
#include "Design/StyledButton.h"
#include "Panel/FailedFooter.h"
#include "Panel/ProblemBlock.h"
#include "Panel/ProblemNotice.h"
#include "RecordingPanelActions.h"
#include "support/StandInTools.h"

namespace {

using State = ProviderStatusStore::State;
using Phase = AssistantSession::Phase;
constexpr ProviderID claude = ProviderID::claudeCLI;
constexpr ProviderID codex = ProviderID::codexCLI;

// "Title" for a secondary button, "Title!" for a primary one.
QStringList buttonsOf(const ProblemNotice& notice) {
    QStringList shown;
    for (const auto& button : notice.buttons)
        shown << button.title + (button.primary ? QStringLiteral("!") : QString());
    return shown;
}

TEST(ProblemNoticeTest, SaysWhatHappenedAndOffersTheWaysOut) {
    struct Case {
        AssistantProblem problem;
        ProviderID session;
        State other;
        const char* title;
        const char* message;
        QStringList buttons;
    };
    const QString keeps = QStringLiteral(" Deine Anweisung bleibt erhalten.");
    const Case cases[] = {
        {AssistantProblem::notSignedIn(codex),
         claude,
         State::ready(),
         "ChatGPT ist nicht angemeldet",
         "Melde dich in ChatGPT an oder schreib diese Antwort mit Claude. Deine Anweisung bleibt "
         "erhalten.",
         {"Anmelden …!", "Mit Claude schreiben"}},
        // A tool that is missing too is not offered: it would only send the user back.
        {AssistantProblem::notSignedIn(codex),
         claude,
         State::notFound(),
         "ChatGPT ist nicht angemeldet",
         "Melde dich in ChatGPT an. Deine Anweisung bleibt erhalten.",
         {"Anmelden …!"}},
        {AssistantProblem::notFound(codex),
         codex,
         State::notFound(),
         "ChatGPT wurde nicht gefunden",
         "Installiere die Codex CLI (codex) oder trag den Pfad in den Einstellungen ein.",
         {"Einstellungen …!"}},
        {AssistantProblem::notFound(codex),
         codex,
         State::notLoggedIn(),
         "ChatGPT wurde nicht gefunden",
         "Installiere die Codex CLI (codex) oder trag den Pfad in den Einstellungen ein.",
         {"Einstellungen …!", "Mit Claude schreiben"}},
        {AssistantProblem::notFound(claude),
         claude,
         State::unknown(),
         "Claude wurde nicht gefunden",
         "Installiere Claude Code (claude) oder trag den Pfad in den Einstellungen ein.",
         {"Einstellungen …!", "Mit ChatGPT schreiben"}},
        // The switch is offered only while the other provider could answer; retry stays quiet.
        {AssistantProblem::limitReached(claude, QStringLiteral("um 18 Uhr")),
         claude,
         State::notLoggedIn(),
         "Dein Claude-Kontingent ist gerade aufgebraucht",
         "Das Limit deines Abos setzt sich zurück: um 18 Uhr. Deine Anweisung bleibt erhalten.",
         {"Nochmal versuchen"}},
        {AssistantProblem::limitReached(claude, QString()),
         claude,
         State::ready("Konto"),
         "Dein Claude-Kontingent ist gerade aufgebraucht",
         "Das Limit deines Abos setzt sich zurück: . Deine Anweisung bleibt erhalten.",
         {"Mit ChatGPT schreiben!", "Nochmal versuchen"}},
        {AssistantProblem::limitReached(codex),
         codex,
         State::checking(),
         "Dein ChatGPT-Kontingent ist gerade aufgebraucht",
         "Das Limit deines Abos setzt sich nach einiger Zeit von selbst zurück. Deine Anweisung "
         "bleibt erhalten.",
         {"Nochmal versuchen"}},
        {AssistantProblem::busy(claude),
         claude,
         State::checking(),
         "Claude ist gerade überlastet",
         "Das liegt nicht an dir. Versuch es in einem Moment nochmal.",
         {"Nochmal versuchen!"}},
        {AssistantProblem::busy(claude),
         claude,
         State::ready(),
         "Claude ist gerade überlastet",
         "Das liegt nicht an dir. Versuch es in einem Moment nochmal.",
         {"Nochmal versuchen!", "Mit ChatGPT schreiben"}},
        {AssistantProblem::modelUnavailable(codex),
         claude,
         State::ready(),
         "Dieses Modell ist mit deinem Abo nicht verfügbar",
         "Wähle in den Einstellungen ein anderes ChatGPT-Modell, z. B. Sonnet.",
         {"Einstellungen …!"}},
        // Generic problems name no provider: the session's stands in, and the switch is offered
        // unless the other tool is missing.
        {AssistantProblem::generic(QStringLiteral("exit 3: <b>kaputt</b>")),
         codex,
         State::notLoggedIn(),
         "Das hat nicht geklappt",
         "exit 3: <b>kaputt</b>",
         {"Nochmal versuchen!", "Mit Claude schreiben"}},
        {AssistantProblem::generic(QStringLiteral("exit 3")),
         codex,
         State::notFound(),
         "Das hat nicht geklappt",
         "exit 3",
         {"Nochmal versuchen!"}},
        {AssistantProblem::accessibilityMissing(),
         claude,
         State::ready(),
         "In die Zwischenablage kopiert",
         "Zum direkten Einfügen brauche ich die Barrierefreiheit. Bis dahin: Strg+V im Feld "
         "drücken.",
         {"Barrierefreiheit einschalten …!", "Schließen"}},
        {AssistantProblem::offline(),
         claude,
         State::ready(),
         "Keine Verbindung zur KI",
         "Prüf deine Internetverbindung. Deine Anweisung bleibt erhalten.",
         {"Nochmal versuchen!"}},
    };
    for (const Case& c : cases) {
        const ProviderID other = ProblemNotice::other(c.problem.provider().value_or(c.session));
        const auto notice = ProblemNotice::make(c.problem, c.session, [&](ProviderID p) {
            return p == other ? c.other : State::ready();
        });
        SCOPED_TRACE(c.title);
        EXPECT_EQ(notice.title, QString::fromUtf8(c.title));
        EXPECT_EQ(notice.message, QString::fromUtf8(c.message));
        EXPECT_EQ(buttonsOf(notice), c.buttons);
    }
}

class ProblemBlockTest : public ::testing::Test {
protected:
    ProblemBlockTest() { actions.setSession(&session); }

    QStringList buttons() const {
        QStringList shown;
        for (auto* button : block.findChildren<StyledButton*>())
            if (button->isVisibleTo(&block))
                shown << button->text();
        return shown;
    }
    void click(const QString& title) {
        for (auto* button : block.findChildren<StyledButton*>())
            if (button->isVisibleTo(&block) && button->text() == title)
                return button->click();
        ADD_FAILURE() << "no button " << title.toStdString();
    }

    Platform::FakeClock clock;
    RecordingPanelActions actions{clock};
    AssistantSession session{std::nullopt, std::nullopt, claude};
    ProblemBlock block{session, actions};
};

TEST_F(ProblemBlockTest, FollowsThePhaseAndTheOtherProvidersStatus) {
    EXPECT_FALSE(block.shownNotice());
    EXPECT_TRUE(buttons().isEmpty());

    StandInTools tools;
    const AssistantSettings settings = StandInTools::settings();
    tools.write("codex-status", "Not logged in");
    session.setPhase(Phase::failed(AssistantProblem::limitReached(claude)));
    EXPECT_EQ(buttons(), QStringList{"Nochmal versuchen"});

    const auto checkCodex = [&](const QByteArray& answer, State expected) {
        tools.write("codex-status", answer);
        std::optional<State> result;
        actions.providerStore().checkNow(codex, settings, [&](State s) { result = s; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 10000));
        ASSERT_EQ(*result, expected);
    };
    checkCodex("Logged in using ChatGPT", State::ready("ChatGPT-Konto"));
    EXPECT_EQ(buttons(), (QStringList{"Mit ChatGPT schreiben", "Nochmal versuchen"}));
    click(QStringLiteral("Mit ChatGPT schreiben"));
    EXPECT_EQ(actions.calls, QStringList{"switchProvider codexCLI 1"});

    checkCodex("Not logged in", State::notLoggedIn());
    EXPECT_EQ(buttons(), QStringList{"Nochmal versuchen"});

    session.setPhase(Phase::ready());
    EXPECT_FALSE(block.shownNotice());
    QCoreApplication::processEvents();
    EXPECT_TRUE(buttons().isEmpty());
}

TEST_F(ProblemBlockTest, ButtonsStartTheirOperations) {
    struct Case {
        AssistantProblem problem;
        const char* button;
        QStringList calls;
    };
    const Case cases[] = {
        {AssistantProblem::notSignedIn(codex), "Anmelden …", {"openLogin codexCLI"}},
        {AssistantProblem::notSignedIn(codex),
         "Mit Claude schreiben",
         {"switchProvider claudeCLI 1"}},
        {AssistantProblem::notFound(claude), "Einstellungen …", {"openAISettings"}},
        {AssistantProblem::modelUnavailable(claude), "Einstellungen …", {"openAISettings"}},
        {AssistantProblem::offline(), "Nochmal versuchen", {"retryLastRequest"}},
        {AssistantProblem::busy(claude), "Nochmal versuchen", {"retryLastRequest"}},
        {AssistantProblem::accessibilityMissing(), "Schließen", {"dismiss"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        actions.calls.clear();
        session.setPhase(Phase::failed(c.problem));
        click(QString::fromUtf8(c.button));
        EXPECT_EQ(actions.calls, c.calls);
        session.setPhase(Phase::ready());
    }
}

TEST(FailedFooterTest, QuotesTheInstructionOnlyWhenThereIsOne) {
    Platform::FakeClock clock;
    RecordingPanelActions actions(clock);
    AssistantSession session(std::nullopt, std::nullopt, claude);
    FailedFooter footer(session, actions);
    auto* label = footer.findChild<ElidedLabel*>(QStringLiteral("failedInstruction"));
    ASSERT_TRUE(label);
    const std::pair<const char*, const char*> cases[] = {
        {" \n\t", nullptr},
        {"  Mach es kürzer ", "„  Mach es kürzer “"},
    };
    for (const auto& [sent, shown] : cases) {
        session.setSentInstruction(QString::fromUtf8(sent));
        EXPECT_EQ(label->isVisibleTo(&footer), shown != nullptr) << sent;
        if (shown) {
            EXPECT_EQ(label->text(), QString::fromUtf8(shown));
        }
    }
}

}  // namespace
