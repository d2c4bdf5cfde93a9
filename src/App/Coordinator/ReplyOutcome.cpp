// The end of a reply: the draft translated into the quote's language, a document saved, a
// structured reply applied, or the failure shown.

#include <QLocale>

#include "AI/ErrorClassifier.h"
#include "AI/QuoteExtractor.h"
#include "Actions/AssistantAction.h"
#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "App/StructuredReply.h"
#include "Output/DocumentStore.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"

using namespace CoordinatorShared;

void AppCoordinator::translateDraft(const std::shared_ptr<Generation>& g,
                                    std::function<void()> then) {
    AssistantSession& s = *g->session;
    const std::optional<QuotedMessage>& quote = s.quote();
    const QString draft = trimmed(s.draft());
    if (g->settings.replyLanguage != QLatin1String("auto") || !quote || !quote->language ||
        characterCount(draft) <= 15) {
        then();
        return;
    }
    const std::optional<QString> draftLanguage = QuoteExtractor::detectLanguage(draft);
    if (!draftLanguage || *draftLanguage == *quote->language) {
        then();
        return;
    }
    QString languageName = QLocale::languageToString(QLocale(*quote->language).language());
    if (QLocale(*quote->language).language() == QLocale::C || languageName.isEmpty())
        languageName = *quote->language;

    AIRequest request;
    request.system = QStringLiteral("Translate the user's text into ") + languageName +
                     QStringLiteral(
                         ". Keep meaning, tone, emojis, names, links and line "
                         "breaks. Output only the translation.");
    request.user = draft;
    request.model = g->settings.model(g->provider);
    std::unique_ptr<AIProvider> ai = s_.makeProvider(g->provider, g->settings);
    const CoreTaskPtr task = g->task.lock();
    task->hold(ai->complete(request, [this, g, then](AIResult<QString> answer) {
        // After the wait for the translation: a cancelled request leaves the session alone.
        if (!isCurrent(*g))
            return;
        if (answer) {
            const QString translated = trimmed(answer.value());
            if (!translated.isEmpty()) {
                AssistantSession& s = *g->session;
                s.setDraft(translated);
                QList<ConversationTurn> turns = s.turns();
                if (const auto index = indexOfTurn(turns, g->turnID)) {
                    turns[*index].reply = translated;
                    s.setTurns(turns);
                }
            }
        }
        then();
    }));
    task->hold(std::move(ai));
}

void AppCoordinator::finishReply(Generation& g) {
    AssistantSession& s = *g.session;
    if (s.activity())
        s.setActivity(std::nullopt);

    QList<ConversationTurn> turns = s.turns();
    const auto index = indexOfTurn(turns, g.turnID);
    if (index && g.kind == ReplyKind::document) {
        ConversationTurn& turn = turns[*index];
        const DocumentStore::SaveResult saved = DocumentStore::save(turn.reply, s_.clock);
        if (saved.ok()) {
            turn.documentURL = QUrl::fromLocalFile(saved.path);
            turn.display = DocumentStore::split(turn.reply).title;
        } else {
            turn.kind = ReplyKind::chat;
            turn.display = tr("Die Datei konnte nicht gespeichert werden: ") + saved.error;
        }
        s.setTurns(turns);
    }
    if (index && g.kind && isStructured(*g.kind)) {
        const QString json = turns[*index].reply;
        const std::optional<QString> line = applyStructured(*g.kind, json, s);
        turns = s.turns();
        if (const auto again = indexOfTurn(turns, g.turnID)) {
            if (line) {
                turns[*again].display = *line;
            } else {
                turns[*again].kind = ReplyKind::chat;
                turns[*again].display =
                    tr("Das konnte ich nicht als Aktion vorbereiten. Sag mir bitte genauer, was "
                       "passieren soll.");
            }
            s.setTurns(turns);
        }
    }
    s.setActiveTurnID(std::nullopt);

    const bool empty = !g.kind || (*g.kind == ReplyKind::draft && !s.hasDraft());
    if (empty) {
        turns = s.turns();
        if (const auto at = indexOfTurn(turns, g.turnID)) {
            turns.removeAt(*at);
            s.setTurns(turns);
        }
        s.setPhase(AssistantSession::Phase::failed(
            AssistantProblem::generic(tr("Die KI hat keine Antwort geliefert."))));
    } else {
        s.setPhase(s.hasDraft() ? AssistantSession::Phase::done()
                                : AssistantSession::Phase::ready());
    }
    if (const CoreTaskPtr task = g.task.lock())
        task->finish();
}

void AppCoordinator::streamFailed(Generation& g, const AIFailure& failure) {
    AssistantSession& s = *g.session;
    QList<ConversationTurn> turns = s.turns();
    if (const auto index = indexOfTurn(turns, g.turnID)) {
        turns.removeAt(*index);
        s.setTurns(turns);
    }
    s.setActiveTurnID(std::nullopt);
    // The input comes back for another try, but never over what the user typed meanwhile.
    if (!g.hidden && trimmed(s.instruction()).isEmpty())
        s.setInstruction(g.input);

    AssistantProblem problem = AssistantProblem::generic(failure.errorDescription());
    if (const AIError* error = failure.aiError()) {
        switch (error->kind()) {
            case AIError::Kind::cliNotFound:
                problem = AssistantProblem::notFound(g.provider);
                break;
            case AIError::Kind::notLoggedIn:
                problem = AssistantProblem::notSignedIn(g.provider);
                break;
            case AIError::Kind::failed:
                problem = ErrorClassifier::classify(error->payload(), g.provider);
                break;
        }
    } else {
        problem = ErrorClassifier::classify(failure.errorDescription(), g.provider);
    }
    s.setPhase(AssistantSession::Phase::failed(std::move(problem)));
    if (const CoreTaskPtr task = g.task.lock())
        task->finish();
}

std::optional<QString> AppCoordinator::applyStructured(ReplyKind kind, const QString& json,
                                                       AssistantSession& session) {
    return StructuredReply::apply(kind, json, session, [this] {
        return AssistantAction::builtIns() + s_.settings.settings().customActions;
    });
}
