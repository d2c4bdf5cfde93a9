// Dictation into the panel's instruction field.

#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/SystemLog.h"
#include "Settings/SettingsStore.h"
#include "Voice/DictationService.h"

using namespace CoordinatorShared;

void AppCoordinator::startListening() {
    listen(false);
}

void AppCoordinator::listen(bool held) {
    AssistantSession* s = session_.get();
    if (!s || s->isListening() || s->phase().kind() == AssistantSession::Phase::Kind::streaming)
        return;
    const AssistantSettings settings = s_.settings.settings();
    if (!settings.dictationEnabled)
        return;
    if (!s_.permissions.microphone() || !s_.permissions.speech()) {
        // What is still missing once the request has its answers is said where dictation
        // errors show, so the microphone never does nothing. When nothing is, the request found
        // what the last look had missed (a sound server that came up since): the press that
        // asked gets its dictation, a held one only while its key is still down.
        s->setDictationError(std::nullopt);
        QPointer<AssistantSession> session(s);
        s_.permissions.requestMicrophone([this, session, held] {
            if (!session || session != session_.get())
                return;
            if (const std::optional<QString> missing = missingForDictation()) {
                session->setDictationError(missing);
                return;
            }
            if (!held || pushToTalkActive_ ||
                (hotkeyIsDown_ && holdMode_ == HoldMode::panelListening))
                listen(held);
        });
        return;
    }
    std::shared_ptr<DictationService> engine =
        s_.makeDictation ? std::shared_ptr<DictationService>(s_.makeDictation(settings)) : nullptr;
    if (!engine)
        return;

    QPointer<AssistantSession> session(s);
    engine->onPartial = [session](const QString& confirmed, const QString& tentative) {
        if (!session)
            return;
        session->setLiveConfirmed(confirmed);
        session->setLiveTentative(tentative);
    };
    engine->onLevel = [session](float level) {
        if (session)
            session->pushLevel(level);
    };
    engine->onError = [this, session](const QString& message) {
        s_.log.log(QStringLiteral("Spracherkennung: ") + message);
        if (session)
            session->setDictationError(message);
    };

    cancelTask(listenTask_);
    auto task = std::make_shared<CoreTask>();
    listenTask_ = task;
    task->hold(std::make_unique<std::shared_ptr<DictationService>>(engine));
    dictation_ = engine;

    s->setDictationError(std::nullopt);
    s->setLiveConfirmed(QString());
    s->setLiveTentative(QString());
    s->setListeningHeld(held);
    s->setListening(true);

    std::weak_ptr<CoreTask> weak = task;
    DictationService* raw = engine.get();
    engine->start([this, weak, session, raw](const std::optional<QString>& error) {
        // After the wait for the engine's start: a dismissed or newer session hears nothing.
        if (!isCurrent(weak, session) || !error)
            return;
        s_.log.log(QStringLiteral("Spracheingabe-Start: ") + *error);
        // finishListening may already have taken this engine for the hand-over.
        if (dictation_.get() == raw)
            dictation_.reset();
        raw->cancel();
        session->setListening(false);
        session->setDictationError(*error);
    });
}

std::optional<QString> AppCoordinator::missingForDictation() const {
    if (!s_.permissions.microphone())
        return tr("Kein Mikrofon gefunden – eins anschließen oder Toneinstellungen prüfen.");
    if (!s_.permissions.speech())
        return tr("Kein Sprachmodell installiert (Paket pocketsphinx-en-us).");
    return std::nullopt;
}

void AppCoordinator::finishListening(bool generateAfterwards) {
    AssistantSession* s = session_.get();
    if (!s || !s->isListening() || !dictation_)
        return;
    const std::shared_ptr<DictationService> engine = std::move(dictation_);
    dictation_.reset();
    QPointer<AssistantSession> session(s);
    std::weak_ptr<CoreTask> weak = listenTask_;
    engine->stop([this, weak, session, generateAfterwards](const QString& text) {
        // After the wait for the final text: only the session that listened takes it, and
        // only while nobody cancelled the hand-over (Escape, dismissal, a new panel).
        if (!isCurrent(weak, session))
            return;
        session->setListening(false);
        session->setLevels(QList<float>(session->levels().size(), 0.0f));
        const QString dictated = trimmed(text);
        if (dictated.isEmpty())
            return;
        const QString typed = session->instruction();
        session->setInstruction(trimmed(typed).isEmpty() ? dictated
                                                         : typed + QLatin1Char(' ') + dictated);
        if (generateAfterwards)
            primaryAction();
    });
}

void AppCoordinator::cancelListening() {
    AssistantSession* s = session_.get();
    if (!s)
        return;
    if (dictation_) {
        dictation_->cancel();
        dictation_.reset();
    }
    // A hand-over under way is dropped with its text.
    cancelTask(listenTask_);
    s->setListening(false);
    s->setLevels(QList<float>(s->levels().size(), 0.0f));
}
