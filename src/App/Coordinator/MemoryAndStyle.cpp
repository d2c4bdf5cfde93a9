// Notes to remember and the learning of the user's writing style.

#include <utility>

#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "Memory/MemoryStore.h"
#include "Memory/StyleLearner.h"
#include "Settings/SettingsStore.h"

using namespace CoordinatorShared;

void AppCoordinator::rememberLocally(const QString& note, const QString& input,
                                     AssistantSession& session) {
    std::optional<QString> lastReply;
    for (auto it = session.turns().crbegin(); it != session.turns().crend(); ++it) {
        if (!trimmed(it->reply).isEmpty()) {
            lastReply = it->reply;
            break;
        }
    }
    QString text;
    if (!trimmed(note).isEmpty())
        text = note;
    else if (session.hasDraft())
        text = session.draft();
    else if (lastReply)
        text = *lastReply;
    else if (session.quote())
        text = session.quote()->text;

    ConversationTurn turn;
    turn.user = input;
    turn.kind = ReplyKind::chat;
    if (!trimmed(text).isEmpty()) {
        s_.memory.remember(text, session.context()
                                     ? std::optional<QString>(session.context()->appName)
                                     : std::nullopt);
        turn.reply = tr("Gemerkt. Du findest es unter Einstellungen → Erinnerungen.") +
                     QStringLiteral("\n\n> ") + firstCharacters(text, 300);
    } else {
        turn.reply =
            tr("Was soll ich mir merken? Zum Beispiel: „Merk dir: Black Friday 30 % ab "
               "27.11.“");
    }
    QList<ConversationTurn> turns = session.turns();
    turns.append(turn);
    session.setTurns(turns);
    session.setInstruction(QString());
    session.setPhase(AssistantSession::Phase::done());
}

void AppCoordinator::addStyleSignal(const QString& text) {
    s_.memory.addStyleSignal(text);
    if (s_.memory.data().signalsSinceLearning >= 8)
        learnStyleNow();
}

void AppCoordinator::learnStyleNow(StyleLearned done) {
    if (isLearningStyle_) {
        // No second run: the one under way answers this request too.
        if (done)
            learningWaiters_.push_back(std::move(done));
        return;
    }
    const AssistantSettings settings = s_.settings.settings();
    const std::optional<AIRequest> request = StyleLearner::request(
        settings.learnedStyle, settings.styleExamples, s_.memory.data().styleSignals, settings);
    if (!request) {
        if (done)
            done(
                tr("Noch nichts zum Lernen – diktiere ein paar Nachrichten oder füge eigene "
                   "Beispieltexte ein."));
        return;
    }
    isLearningStyle_ = true;
    if (done)
        learningWaiters_.push_back(std::move(done));
    auto task = std::make_shared<CoreTask>();
    learnTask_ = task;
    std::unique_ptr<AIProvider> ai = s_.makeProvider(settings.provider, settings);
    std::weak_ptr<CoreTask> weak = task;
    task->hold(ai->complete(*request, [this, weak](AIResult<QString> answer) {
        // After the wait for the AI: only the style field is written, into the settings as
        // they are now, so that changes made meanwhile stay.
        std::optional<QString> notLearned;
        if (!answer) {
            notLearned =
                tr("Lernen hat nicht geklappt: %1").arg(answer.failure().errorDescription());
        } else if (const QString style = trimmed(answer.value()); style.isEmpty()) {
            notLearned =
                tr("Die KI hat keine Beschreibung geliefert – versuch es später noch "
                   "einmal.");
        } else {
            s_.settings.update([&](AssistantSettings& s) { s.learnedStyle = style; });
            MemoryStore::Data data = s_.memory.data();
            data.signalsSinceLearning = 0;
            s_.memory.setData(data);
            s_.memory.save();
        }
        isLearningStyle_ = false;
        if (const CoreTaskPtr self = weak.lock())
            self->finish();
        for (const StyleLearned& waiter : std::exchange(learningWaiters_, {}))
            waiter(notLearned);
    }));
    task->hold(std::move(ai));
}
