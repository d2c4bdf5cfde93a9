#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "AI/Chunk.h"
#include "AI/ErrorClassifier.h"
#include "App/CoordinatorHarness.h"

namespace {

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;

QString replyText(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A panel opened over Mail, without a window picture, so that a request goes straight out.
struct ReplyHarness : CoordinatorHarness {
    explicit ReplyHarness(std::function<void(AssistantSettings&)> configure = {})
        : CoordinatorHarness([configure](AssistantSettings& s) {
              s.includeScreenshot = false;
              if (configure)
                  configure(s);
          }) {
        session = &open();
    }
    AppCoordinator& app() { return *coordinator; }
    ConversationTurn lastTurn() const { return session->turns().last(); }

    AssistantSession* session = nullptr;
};

TEST(AppCoordinatorReplyTest, ChunkFeedsBecomeTheReply) {
    struct Case {
        const char* name;
        std::optional<ReplyKind> forced;
        QStringList chunks;
        std::optional<ReplyKind> kind;  // none: the turn is gone
        QString reply;
        QString draft;
        Phase phase;
    };
    const Phase empty =
        Phase::failed(AssistantProblem::generic(replyText("Die KI hat keine Antwort geliefert.")));
    const Case cases[] = {
        {"marker split over chunks",
         std::nullopt,
         {"[[DR", "AFT]]Hallo", " Welt"},
         ReplyKind::draft,
         "Hallo Welt",
         "Hallo Welt",
         Phase::done()},
        {"no marker: a draft",
         std::nullopt,
         {"Gern, bis morgen."},
         ReplyKind::draft,
         "Gern, bis morgen.",
         "Gern, bis morgen.",
         Phase::done()},
        {"no marker, chat forced",
         ReplyKind::chat,
         {"Das heißt …"},
         ReplyKind::chat,
         replyText("Das heißt …"),
         "",
         Phase::ready()},
        {"an unfinished marker at the end is text",
         std::nullopt,
         {"[[DRA"},
         ReplyKind::draft,
         "[[DRA",
         "[[DRA",
         Phase::done()},
        {"only blanks", std::nullopt, {"  \n", "\n "}, std::nullopt, "", "", empty},
        {"a draft marker and nothing",
         std::nullopt,
         {"[[DRAFT]]", "\n"},
         std::nullopt,
         "",
         "",
         empty},
        {"a chat marker and nothing",
         std::nullopt,
         {"[[CHAT]]"},
         ReplyKind::chat,
         "",
         "",
         Phase::ready()},
        {"a reset starts the reply over",
         std::nullopt,
         {"[[DRAFT]]Erster", Chunk::reset(), "[[CHAT]]Doch lieber so."},
         ReplyKind::chat,
         "Doch lieber so.",
         "",
         Phase::ready()},
        {"control chunks are no text",
         std::nullopt,
         {Chunk::connected(), Chunk::thinking(), "[[DRAFT]]Ja",
          QString(Chunk::controlMark) + "OTHER"},
         ReplyKind::draft,
         "Ja",
         "Ja",
         Phase::done()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyHarness h;
        h.app().send(QStringLiteral("Antworte"), c.forced, false);
        ASSERT_EQ(h.provider.calls.size(), 1u);
        h.provider.feed(c.chunks);
        h.provider.finish();
        const QList<ConversationTurn> turns = h.session->turns();
        if (c.kind) {
            ASSERT_EQ(turns.size(), 1);
            EXPECT_EQ(turns[0].kind, c.kind);
            EXPECT_EQ(turns[0].reply, c.reply);
        } else {
            EXPECT_TRUE(turns.isEmpty());
        }
        EXPECT_EQ(h.session->draft(), c.draft);
        EXPECT_EQ(h.session->phase(), c.phase);
        EXPECT_FALSE(h.session->activeTurnID());
    }
}

TEST(AppCoordinatorReplyTest, TheReplyShowsAsItArrives) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Antworte"), std::nullopt, false);
    EXPECT_EQ(h.session->phase(), Phase::streaming());
    EXPECT_EQ(h.session->waitStage(), AssistantSession::WaitStage::connecting);

    h.provider.feed({"[[DR"});
    EXPECT_FALSE(h.lastTurn().kind) << "nothing shows before the marker is complete";
    h.provider.feed({"AFT]]Hallo"});
    EXPECT_EQ(h.lastTurn().kind, ReplyKind::draft);
    EXPECT_EQ(h.session->draft(), QStringLiteral("Hallo"));
    EXPECT_EQ(h.session->waitStage(), AssistantSession::WaitStage::writing);
    EXPECT_EQ(h.session->appliedInstructions(), QStringList{QStringLiteral("Antworte")});
}

TEST(AppCoordinatorReplyTest, ToolUseShowsWhatTheAIDoes) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Wo ist der Login?"), std::nullopt, false);
    const std::pair<const char*, const char*> tools[] = {
        {"Read", "Liest Dateien im Projekt …"},
        {"Grep", "Durchsucht den Code …"},
        {"Glob", "Sucht Dateien …"},
        {"Bash", "Schaut in GitHub/git nach …"},
        {"WebFetch", "Schaut im Projekt nach …"},
    };
    for (const auto& [tool, shown] : tools) {
        h.provider.feed({Chunk::tool(QString::fromUtf8(tool))});
        EXPECT_EQ(h.session->activity(), replyText(shown));
    }
    h.provider.feed({"[[CHAT]]Hier."});
    EXPECT_FALSE(h.session->activity());
}

TEST(AppCoordinatorReplyTest, AResetRestoresTheDraftOfBeforeTheRequest) {
    ReplyHarness h;
    h.session->setDraft(QStringLiteral("Alter Entwurf"));
    h.app().send(QStringLiteral("Kürzer"), std::nullopt, false);
    h.provider.feed({"[[DRAFT]]Neu"});
    EXPECT_EQ(h.session->draft(), QStringLiteral("Neu"));
    h.provider.feed({Chunk::reset()});
    EXPECT_EQ(h.session->draft(), QStringLiteral("Alter Entwurf"));
    EXPECT_FALSE(h.lastTurn().kind);
    EXPECT_TRUE(h.lastTurn().reply.isEmpty());
}

TEST(AppCoordinatorReplyTest, FailuresBecomeTheProblemOfTheProviderThatWasAsked) {
    struct Case {
        const char* name;
        AIFailure failure;
        AssistantProblem problem;
    };
    const ProviderID codex = ProviderID::codexCLI;
    const Case cases[] = {
        {"tool missing", AIError::cliNotFound(QStringLiteral("Codex")),
         AssistantProblem::notFound(codex)},
        {"not signed in", AIError::notLoggedIn(QStringLiteral("codex login")),
         AssistantProblem::notSignedIn(codex)},
        {"tool's message", AIError::failed(QStringLiteral("You've hit your usage limit")),
         ErrorClassifier::classify(QStringLiteral("You've hit your usage limit"), codex)},
        {"system's error",
         ProcessError{ProcessError::Kind::failedToStart, QStringLiteral("execvp: denied")},
         ErrorClassifier::classify(AIFailure(ProcessError{ProcessError::Kind::failedToStart,
                                                          QStringLiteral("execvp: denied")})
                                       .errorDescription(),
                                   codex)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyHarness h([](AssistantSettings& s) { s.provider = ProviderID::codexCLI; });
        h.app().send(QStringLiteral("Antworte"), std::nullopt, false);
        // Switching the session's tool meanwhile does not change who failed.
        h.session->setProvider(ProviderID::claudeCLI);
        h.provider.feed({"[[DRAFT]]Hal"});
        h.provider.fail(c.failure);
        EXPECT_EQ(h.session->phase(), Phase::failed(c.problem));
        EXPECT_TRUE(h.session->turns().isEmpty());
        EXPECT_EQ(h.session->instruction(), QStringLiteral("Antworte"));
        EXPECT_EQ(h.session->draft(), QStringLiteral("Hal")) << "what arrived stays";
    }
}

TEST(AppCoordinatorReplyTest, AFailureNeverOverwritesWhatTheUserTypedMeanwhile) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Antworte"), std::nullopt, false);
    h.session->setInstruction(QStringLiteral("Und noch etwas"));
    h.provider.fail(AIError::cliNotFound(QStringLiteral("Claude")));
    EXPECT_EQ(h.session->instruction(), QStringLiteral("Und noch etwas"));

    ReplyHarness hidden;
    hidden.app().send(QStringLiteral("Schreib"), ReplyKind::draft, true);
    hidden.provider.fail(AIError::cliNotFound(QStringLiteral("Claude")));
    EXPECT_TRUE(hidden.session->instruction().isEmpty()) << "a hidden request is not put back";
}

// A request the user did not type in the field ("Neu", a retry, another tool rewriting the
// last one) goes out without taking what they typed there and have not sent yet.
TEST(AppCoordinatorReplyTest, ARequestNotTypedInTheFieldLeavesItsTextThere) {
    const struct {
        const char* name;
        std::function<void(ReplyHarness&)> before;
        std::function<void(AppCoordinator&)> request;
        QString sent;
    } cases[] = {
        {"Neu",
         [](ReplyHarness& h) {
             h.session->setDraft(QStringLiteral("Hallo"));
             h.session->setPhase(Phase::done());
         },
         [](AppCoordinator& app) { app.regenerate(); },
         QStringLiteral("Schreib eine neue Variante der Antwort mit anderer Formulierung.")},
        {"Nochmal versuchen after Neu failed",
         [](ReplyHarness& h) {
             h.session->setDraft(QStringLiteral("Hallo"));
             h.session->setPhase(Phase::done());
             h.app().regenerate();
             h.provider.fail(AIError::cliNotFound(QStringLiteral("Claude")));
         },
         [](AppCoordinator& app) { app.retryLastRequest(); },
         QStringLiteral("Schreib eine neue Variante der Antwort mit anderer Formulierung.")},
        {"Mit ChatGPT schreiben",
         [](ReplyHarness& h) {
             h.app().send(QStringLiteral("Antworte kurz"), std::nullopt, false);
             h.provider.feed({"[[DRAFT]]Hallo"});
             h.provider.finish();
         },
         [](AppCoordinator& app) { app.switchProvider(ProviderID::codexCLI, true); },
         QStringLiteral("Antworte kurz")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyHarness h;
        c.before(h);
        const size_t calls = h.provider.calls.size();
        h.session->setInstruction(QStringLiteral("halb getippt"));
        c.request(h.app());
        ASSERT_EQ(h.provider.calls.size(), calls + 1);
        EXPECT_EQ(h.app().lastRequest()->input, c.sent);
        EXPECT_EQ(h.session->phase(), Phase::streaming());
        EXPECT_EQ(h.session->instruction(), QStringLiteral("halb getippt"));
    }
}

TEST(AppCoordinatorReplyTest, ASecondSendWhileStreamingReplacesTheFirst) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Erste"), std::nullopt, false);
    h.provider.feed({"[[CHAT]]Teil"});
    h.app().send(QStringLiteral("Zweite"), std::nullopt, false);

    ASSERT_EQ(h.provider.calls.size(), 2u);
    EXPECT_TRUE(*h.provider.at(0).cancelled) << "the first tool run ends";
    ASSERT_EQ(h.session->turns().size(), 2);
    EXPECT_EQ(h.session->activeTurnID(), h.session->turns()[1].id);
    EXPECT_EQ(h.app().lastRequest()->input, QStringLiteral("Zweite"));
    h.provider.feed({"[[CHAT]]Antwort"});
    h.provider.finish();
    EXPECT_EQ(h.session->turns()[0].reply, QStringLiteral("Teil"));
    EXPECT_EQ(h.session->turns()[1].reply, QStringLiteral("Antwort"));
}

TEST(AppCoordinatorReplyTest, AStoppedReplyStaysAsTheStopLeftIt) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Antworte"), std::nullopt, false);
    h.provider.feed({"[[DRAFT]]Hallo "});
    h.app().stopGenerating();
    const QList<ConversationTurn> turns = h.session->turns();
    const Phase phase = h.session->phase();
    EXPECT_EQ(phase, Phase::done());
    EXPECT_EQ(h.session->draft(), QStringLiteral("Hallo"));
    EXPECT_TRUE(*h.provider.at(0).cancelled);
    EXPECT_EQ(h.session->turns(), turns);
}

TEST(AppCoordinatorReplyTest, ASendDuringTheTranslationEndsTheOldRequestQuietly) {
    ReplyHarness h;
    QuotedMessage quote;
    quote.text = QStringLiteral("Could you send me the revised version by Friday?");
    quote.language = QStringLiteral("en");
    h.session->setQuote(quote);
    h.app().send(QStringLiteral("Zusagen"), std::nullopt, false);
    const QString german = QStringLiteral(
        "Ja, ich schicke dir die überarbeitete Fassung bis Freitag, versprochen. Viele Grüße");
    h.provider.feed({"[[DRAFT]]" + german});
    h.provider.finish();
    ASSERT_EQ(h.provider.calls.size(), 2u) << "the German draft is translated into English";
    EXPECT_TRUE(h.provider.at(1).request.system.contains(QStringLiteral("into English.")));
    EXPECT_EQ(h.session->phase(), Phase::streaming()) << "the request runs until translated";

    // A new instruction while the translation runs: the old request must not end the new one.
    h.app().send(QStringLiteral("Kürzer"), std::nullopt, false);
    EXPECT_TRUE(*h.provider.at(1).cancelled) << "the translation's tool run ends";
    QCoreApplication::processEvents();
    EXPECT_EQ(h.session->phase(), Phase::streaming());
    EXPECT_EQ(h.session->activeTurnID(), h.session->turns().last().id);
    EXPECT_EQ(h.session->draft(), german);
    h.provider.feed({"[[DRAFT]]Ja, gern."});
    h.provider.finish();
    EXPECT_EQ(h.session->phase(), Phase::done());
    EXPECT_EQ(h.session->draft(), QStringLiteral("Ja, gern."));
}

TEST(AppCoordinatorReplyTest, TheTranslationReplacesALongDraftOnly) {
    struct Case {
        const char* name;
        QString language;
        QString draft;
        bool translated;
    };
    const Case cases[] = {
        {"German draft to an English quote", "auto",
         QStringLiteral("Ja, ich schicke dir die Fassung bis Freitag, versprochen."), true},
        {"exactly fifteen characters", "auto", QStringLiteral("Ja, gern machen"), false},
        {"a reply language set", "Deutsch",
         QStringLiteral("Ja, ich schicke dir die Fassung bis Freitag, versprochen."), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyHarness h([&](AssistantSettings& s) { s.replyLanguage = c.language; });
        QuotedMessage quote;
        quote.text = QStringLiteral("Could you send it by Friday?");
        quote.language = QStringLiteral("en");
        h.session->setQuote(quote);
        h.app().send(QStringLiteral("Zusagen"), std::nullopt, false);
        h.provider.feed({"[[DRAFT]]" + c.draft});
        h.provider.finish();
        if (c.translated) {
            ASSERT_EQ(h.provider.calls.size(), 2u);
            h.provider.feed({"  Yes, I will send it by Friday. "}, 1);
            h.provider.finish(1);
            EXPECT_EQ(h.session->draft(), QStringLiteral("Yes, I will send it by Friday."));
            EXPECT_EQ(h.lastTurn().reply, h.session->draft());
        } else {
            EXPECT_EQ(h.provider.calls.size(), 1u);
            EXPECT_EQ(h.session->draft(), c.draft);
        }
        EXPECT_EQ(h.session->phase(), Phase::done());
    }
}

TEST(AppCoordinatorReplyTest, StructuredRepliesBecomeProposals) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Leg ein Issue an"), std::nullopt, false);
    h.provider.feed({"[[ACTION]]", R"({"id":"github_issue","summary":"Issue anlegen",)",
                     R"("params":{"title":"Fehler"}})"});
    h.provider.finish();
    ASSERT_TRUE(h.session->actionProposal());
    EXPECT_EQ(h.session->actionProposal()->action.id, QStringLiteral("github_issue"));
    EXPECT_EQ(h.lastTurn().display, replyText("✦ Issue anlegen"));
    EXPECT_EQ(h.lastTurn().kind, ReplyKind::action);
    EXPECT_EQ(h.session->phase(), Phase::ready());

    h.app().send(QStringLiteral("Leg dafür eine Aktion an"), std::nullopt, false);
    h.provider.feed({"[[NEW_ACTION]]{\"name\":\"GitHub Issue\",\"kind\":\"shell\"}"});
    h.provider.finish();
    ASSERT_TRUE(h.session->definitionProposal());
    EXPECT_EQ(h.session->definitionProposal()->action.id, QStringLiteral("github_issue_2"))
        << "the id of a built-in action is taken";

    h.app().send(QStringLiteral("Mach was"), std::nullopt, false);
    h.provider.feed({"[[ACTION]]{\"id\":\"GITHUB_ISSUE\"}"});
    h.provider.finish();
    EXPECT_EQ(h.lastTurn().kind, ReplyKind::chat);
    EXPECT_EQ(h.lastTurn().display,
              replyText("Das konnte ich nicht als Aktion vorbereiten. Sag mir "
                        "bitte genauer, was passieren soll."));
    EXPECT_EQ(h.lastTurn().reply, QStringLiteral("{\"id\":\"GITHUB_ISSUE\"}"));
}

TEST(AppCoordinatorReplyTest, ADocumentReplyIsWrittenToAFile) {
    ReplyHarness h;
    h.app().send(QStringLiteral("Schreib ein Konzept"), std::nullopt, false);
    h.provider.feed({"[[DOCUMENT]]# Konzept\n\nErster Absatz."});
    h.provider.finish();
    const ConversationTurn turn = h.lastTurn();
    EXPECT_EQ(turn.kind, ReplyKind::document);
    EXPECT_EQ(turn.display, QStringLiteral("Konzept"));
    ASSERT_TRUE(turn.documentURL);
    EXPECT_TRUE(QFile::exists(turn.documentURL->toLocalFile()));
}

TEST(AppCoordinatorReplyTest, SendPreparesTheExchange) {
    ReplyHarness h([](AssistantSettings& s) { s.claudeModel = QStringLiteral("opus"); });
    h.session->setDraft(QStringLiteral("Entwurf"));
    h.app().send(QStringLiteral("Kürzer bitte"), std::nullopt, false);
    EXPECT_EQ(h.session->modelLabel(), QStringLiteral("Claude Opus"));
    EXPECT_EQ(h.session->sentInstruction(), QStringLiteral("Kürzer bitte"));
    EXPECT_TRUE(h.session->instruction().isEmpty());
    EXPECT_EQ(h.memory.data().styleSignals,
              QStringList{QStringLiteral("Correction asked on a draft: Kürzer bitte")});
    const AIRequest& request = h.provider.at(0).request;
    EXPECT_TRUE(request.user.contains(QStringLiteral("Entwurf")));
    EXPECT_EQ(request.model, QStringLiteral("opus"));
}

TEST(AppCoordinatorReplyTest, ModelLabels) {
    struct Case {
        ProviderID provider;
        const char* model;
        const char* label;
    };
    const Case cases[] = {
        {ProviderID::claudeCLI, "sonnet", "Claude Sonnet"},
        {ProviderID::claudeCLI, "claude-sonnet-4-5", "Claude"},
        {ProviderID::claudeCLI, "  ", "Claude"},
        {ProviderID::codexCLI, "gpt-5", "ChatGPT"},
    };
    for (const Case& c : cases) {
        AssistantSettings settings;
        settings.claudeModel = settings.codexModel = QString::fromUtf8(c.model);
        EXPECT_EQ(AppCoordinator::modelLabel(c.provider, settings), replyText(c.label)) << c.model;
    }
}

TEST(AppCoordinatorReplyTest, RememberNotesStayLocal) {
    struct Case {
        const char* name;
        QString input;
        QString draft;
        bool memoriesOn;
        std::optional<QString> stored;  // none: sent to the AI
    };
    const Case cases[] = {
        {"a note", replyText("Merk dir: Black Friday 30 % ab 27.11."), "", true,
         replyText("Black Friday 30 % ab 27.11")},
        {"an empty note keeps the draft", "merk dir", "Der Entwurf", true,
         QStringLiteral("Der Entwurf")},
        {"nothing to keep", "merk dir", "", true, QString()},
        {"memories off", "merk dir", "", false, std::nullopt},
        {"an action to learn", "merk dir das als Aktion", "", true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyHarness h([&](AssistantSettings& s) { s.savedMemoriesEnabled = c.memoriesOn; });
        h.session->setDraft(c.draft);
        h.app().send(c.input, std::nullopt, false);
        if (!c.stored) {
            EXPECT_EQ(h.provider.calls.size(), 1u);
            EXPECT_TRUE(h.memory.data().saved.isEmpty());
            continue;
        }
        EXPECT_TRUE(h.provider.calls.empty());
        EXPECT_FALSE(h.app().lastRequest());
        EXPECT_EQ(h.session->phase(), Phase::done());
        ASSERT_EQ(h.session->turns().size(), 1);
        const auto& saved = h.memory.data().saved;
        if (c.stored->isEmpty()) {
            EXPECT_TRUE(saved.isEmpty());
            EXPECT_TRUE(h.lastTurn().reply.startsWith(replyText("Was soll ich mir merken?")));
        } else {
            ASSERT_EQ(saved.size(), 1);
            EXPECT_EQ(saved[0].text, *c.stored);
            EXPECT_EQ(
                h.lastTurn().reply,
                replyText("Gemerkt. Du findest es unter Einstellungen → Erinnerungen.\n\n> ") +
                    *c.stored);
        }
    }
}

TEST(AppCoordinatorReplyTest, StyleLearningWritesOnlyTheStyle) {
    ReplyHarness h([](AssistantSettings& s) { s.styleExamples = QStringLiteral("Servus!"); });
    for (int i = 0; i < 7; ++i)
        h.memory.addStyleSignal(QStringLiteral("Signal %1").arg(i));
    h.session->setDraft(QStringLiteral("Entwurf"));
    h.app().send(QStringLiteral("Lockerer"), std::nullopt, false);
    ASSERT_EQ(h.provider.calls.size(), 2u) << "the eighth signal starts learning";
    EXPECT_TRUE(h.app().isLearningStyle());
    ProviderCalls::Call learning = h.provider.at(0);

    // A ninth signal while the AI still thinks starts no second run; a click in the settings
    // meanwhile hears how the run under way ended.
    h.app().learnStyleNow();
    bool heard = false;
    std::optional<QString> notLearned;
    h.app().learnStyleNow([&](const std::optional<QString>& why) {
        heard = true;
        notLearned = why;
    });
    EXPECT_EQ(h.provider.calls.size(), 2u);
    EXPECT_FALSE(heard);

    // Meanwhile the user changes a setting; learning must not undo it.
    h.settings.update([](AssistantSettings& s) { s.replyLanguage = QStringLiteral("Deutsch"); });
    learning.stream->yield(QStringLiteral("  Kurz und herzlich.  "));
    learning.stream->finish();
    QCoreApplication::processEvents();

    EXPECT_EQ(h.settings.settings().learnedStyle, QStringLiteral("Kurz und herzlich."));
    EXPECT_EQ(h.settings.settings().replyLanguage, QStringLiteral("Deutsch"));
    EXPECT_EQ(h.memory.data().signalsSinceLearning, 0);
    EXPECT_FALSE(h.app().isLearningStyle());
    EXPECT_TRUE(heard);
    EXPECT_EQ(notLearned, std::nullopt);
}

// A run that learns nothing changes nothing and says why.
TEST(AppCoordinatorReplyTest, StyleLearningThatLearnsNothingSaysWhy) {
    const struct {
        const char* name;
        bool signal;  // one collected; without it and without examples there is nothing
        std::optional<AIError> failure;
        QString notLearned;
    } cases[] = {
        {"nothing to learn from", false, std::nullopt,
         replyText("Noch nichts zum Lernen – diktiere ein paar Nachrichten oder füge eigene "
                   "Beispieltexte ein.")},
        {"an empty answer", true, std::nullopt,
         replyText("Die KI hat keine Beschreibung geliefert – versuch es später noch einmal.")},
        {"a failed answer", true, AIError::failed(QStringLiteral("Netz weg")),
         replyText("Lernen hat nicht geklappt: Netz weg")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyHarness h([](AssistantSettings& s) { s.learnedStyle = QStringLiteral("Alt"); });
        if (c.signal)
            h.memory.addStyleSignal(QStringLiteral("Signal"));
        bool heard = false;
        std::optional<QString> notLearned;
        h.app().learnStyleNow(
            [&](const std::optional<QString>& why) {
                heard = true;
                notLearned = why;
            });
        if (c.signal) {
            if (c.failure) {
                h.provider.fail(*c.failure);
            } else {
                h.provider.feed({" \n"});
                h.provider.finish();
            }
        }
        EXPECT_TRUE(heard);
        EXPECT_EQ(notLearned, c.notLearned);
        EXPECT_EQ(h.settings.settings().learnedStyle, QStringLiteral("Alt"));
        EXPECT_EQ(h.memory.data().signalsSinceLearning, c.signal ? 1 : 0);
    }
}

}  // namespace
