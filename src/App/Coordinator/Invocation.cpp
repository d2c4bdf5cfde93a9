// Opening the panel with a snapshot of the field, the side tasks of a session (window
// picture, quoted message, thread) and dismissal.

#include <QLoggingCategory>
#include <utility>

#include "AI/QuoteExtractor.h"
#include "App/AppCoordinator.h"
#include "App/Coordinator/Shared.h"
#include "App/MessageApps.h"
#include "App/ViewedRecord.h"
#include "Memory/MemoryStore.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "Platform/SystemLog.h"
#include "Projects/ProjectTools.h"
#include "Settings/SettingsStore.h"
#include "Voice/DictationService.h"

using namespace CoordinatorShared;

void AppCoordinator::invoke() {
    if (isInvoking_)
        return;
    isInvoking_ = true;
    invokeNow([this] {
        isInvoking_ = false;
        handOverSpokenText();
    });
}

void AppCoordinator::invokeNow(std::function<void()> done) {
    const nanoseconds start = s_.clock.monotonic();
    s_.permissions.refresh();
    std::optional<Platform::RunningApplication> target = s_.context.frontApplication();
    std::optional<ContextSource::Prefetch> prefetch = std::move(fieldPrefetch_);
    fieldPrefetch_.reset();

    auto task = std::make_shared<CoreTask>();
    invocations_.push_back(task);
    std::weak_ptr<CoreTask> weak = task;
    task->hold(s_.context.quickSnapshot(
        std::move(prefetch), true,
        [this, weak, target, start, done](std::optional<ContextSnapshot> context) {
            const CoreTaskPtr self = weak.lock();
            // After the wait: an opening is only dropped when the coordinator goes.
            if (!self || self->isCancelled())
                return;
            std::erase(invocations_, self);
            open(target, std::move(context), start);
            if (done)
                done();
        }));
}

void AppCoordinator::open(std::optional<Platform::RunningApplication> target,
                          std::optional<ContextSnapshot> context, nanoseconds start) {
    const AssistantSettings& settings = s_.settings.settings();
    auto session = std::make_unique<AssistantSession>(target, context, settings.provider);

    if (context && context->selectedText && !trimmed(*context->selectedText).isEmpty()) {
        QuotedMessage quote;
        quote.text = firstCharacters(*context->selectedText, 4000);
        quote.language = QuoteExtractor::detectLanguage(*context->selectedText);
        quote.isSelection = true;
        session->setQuote(quote);
    }
    session->setProject(matchProject(session->context(), session->quote()));

    replaceSession(std::move(session));
    AssistantSession& current = *session_;

    const nanoseconds shown = s_.clock.monotonic();
    s_.panel.show(current, *this, pressTime_);
    const nanoseconds after = s_.clock.monotonic();
    qCInfo(timingLog, "Panel: Kontext %lld ms, Anzeigen %lld ms, Auswahl per AX: %s",
           millisBetween(start, shown), millisBetween(shown, after),
           context && context->selectedText ? "true" : "false");

    startSideTasks(current);
    fieldTextTask_ = startFieldText(current);
}

void AppCoordinator::replaceSession(std::unique_ptr<AssistantSession> session) {
    // The session being replaced stops its work as on dismissal; it is neither recorded nor
    // hidden, since the panel shows the new one at once.
    cancelSessionWork();
    if (session_)
        retired_ = std::move(session_);
    session_ = std::move(session);
    emit sessionChanged();
}

void AppCoordinator::startSideTasks(AssistantSession& session) {
    const AssistantSettings settings = s_.settings.settings();
    if (!session.context() || !settings.includeScreenshot || !s_.permissions.screenRecording()) {
        captureTask_.reset();
        quoteTask_.reset();
        threadTask_.reset();
        return;
    }
    const ContextSnapshot& context = *session.context();
    session.setCapturing(true);
    session.setReadingQuote(!session.quote() &&
                            (!context.bundleID || !MessageApps::contains(*context.bundleID)));
    if (session.isReadingQuote()) {
        placeholderTimer_ =
            s_.clock.singleShot(kQuotePlaceholder, [this, weak = QPointer(&session)] {
                if (weak && weak == session_.get() && weak->isReadingQuote())
                    weak->setQuotePlaceholderHidden(true);
            });
    }
    captureTask_ = startCapture(session, context);
    if (session.isReadingQuote()) {
        quoteTask_ = startQuote(session, settings);
        threadTask_ = startThread(session, settings);
    } else {
        quoteTask_.reset();
        threadTask_.reset();
    }
}

CoreTaskPtr AppCoordinator::startCapture(AssistantSession& session,
                                         const ContextSnapshot& context) {
    auto task = std::make_shared<CoreTask>();
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> target(&session);
    task->hold(s_.context.addScreenshot(context, [this, weak, target](ContextSnapshot shot) {
        // After the wait for the picture.
        if (!isCurrent(weak, target))
            return;
        target->setContext(std::move(shot));
        target->setCapturing(false);
        weak.lock()->finish();
    }));
    return task;
}

CoreTaskPtr AppCoordinator::startFieldText(AssistantSession& session) {
    if (!session.context() || !session.context()->fieldTextPending)
        return nullptr;
    auto task = std::make_shared<CoreTask>();
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> target(&session);
    const CoreTaskPtr capture = captureTask_;
    const nanoseconds asked = s_.clock.monotonic();
    task->hold(s_.context.fieldText(
        *session.context(), [this, weak, target, capture, asked](std::optional<QString> text) {
            // After the wait for the field's words.
            if (!isCurrent(weak, target))
                return;
            // A request without the editor's words is told apart here from one whose editor
            // had none: the log says whether they came and when.
            qCInfo(timingLog, "Panel: Feldtext %s nach %lld ms", text ? "da" : "nicht da",
                   millisBetween(asked, s_.clock.monotonic()));
            // The picture brings the whole context as it was at the press: the words go in
            // after it.
            afterTask(capture, [this, weak, target, text] {
                if (!isCurrent(weak, target))
                    return;
                if (std::optional<ContextSnapshot> context = target->context()) {
                    context->fieldValue = text;
                    context->fieldTextPending = false;
                    target->setContext(std::move(context));
                }
                weak.lock()->finish();
            });
        }));
    return task;
}

CoreTaskPtr AppCoordinator::askAboutPicture(AssistantSession& session,
                                            const AssistantSettings& settings,
                                            const PictureQuestion& question) {
    auto task = std::make_shared<CoreTask>();
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> target(&session);
    afterTask(captureTask_, [this, weak, target, settings, question] {
        // After the wait for the picture.
        if (!isCurrent(weak, target))
            return;
        const CoreTaskPtr self = weak.lock();
        if (!target->context() || question.needless(*target)) {
            self->finish();
            return;
        }
        const auto answered = [this, weak, target, question](std::optional<QString> answer) {
            // After the wait for the AI's answer.
            if (!isCurrent(weak, target))
                return;
            question.store(*target, answer);
            weak.lock()->finish();
        };
        const std::optional<AIRequest> request =
            question.request(*target->context(), target->provider());
        if (!request) {
            answered(std::nullopt);
            return;
        }
        std::unique_ptr<AIProvider> ai = s_.makeProvider(target->provider(), settings);
        self->hold(ai->complete(*request, [answered](AIResult<QString> answer) {
            answered(answer ? std::optional<QString>(answer.value()) : std::nullopt);
        }));
        self->hold(std::move(ai));
    });
    return task;
}

CoreTaskPtr AppCoordinator::startQuote(AssistantSession& session,
                                       const AssistantSettings& settings) {
    return askAboutPicture(session, settings,
                           {&QuoteExtractor::extractionRequest,
                            [](const AssistantSession& s) { return s.quote().has_value(); },
                            [this](AssistantSession& s, const std::optional<QString>& answer) {
                                s.setQuote(answer ? QuoteExtractor::parse(*answer) : std::nullopt);
                                s.setReadingQuote(false);
                                if (!s.projectChosenManually()) {
                                    if (auto project = matchProject(s.context(), s.quote()))
                                        changeProject(s, std::move(project));
                                }
                            }});
}

CoreTaskPtr AppCoordinator::startThread(AssistantSession& session,
                                        const AssistantSettings& settings) {
    return askAboutPicture(
        session, settings,
        {&QuoteExtractor::threadRequest, [](const AssistantSession&) { return false; },
         [](AssistantSession& s, const std::optional<QString>& answer) {
             // A selected text is the quote; the conversation around it is not the user's.
             if (s.quote() && s.quote()->isSelection)
                 return;
             s.setThread(answer ? QuoteExtractor::parseThread(*answer) : QList<ThreadMessage>());
         }});
}

std::optional<Project> AppCoordinator::matchProject(
    const std::optional<ContextSnapshot>& context,
    const std::optional<QuotedMessage>& quote) const {
    QStringList parts;
    if (context) {
        parts << context->appName;
        if (context->windowTitle)
            parts << *context->windowTitle;
        if (context->fieldLabel)
            parts << *context->fieldLabel;
        if (context->fieldValue)
            parts << *context->fieldValue;
    }
    if (quote) {
        if (quote->author)
            parts << *quote->author;
        parts << quote->text;
    }
    return ProjectTools::match(s_.settings.settings().projects, parts.join(QStringLiteral(" \n ")));
}

void AppCoordinator::cancelSessionWork() {
    cancelTask(generationTask_);
    cancelTask(captureTask_);
    cancelTask(fieldTextTask_);
    cancelTask(quoteTask_);
    cancelTask(threadTask_);
    if (dictation_) {
        dictation_->cancel();
        dictation_.reset();
    }
    cancelTask(listenTask_);
    if (std::exchange(pushToTalkActive_, false))
        s_.panel.releaseKeys();
}

void AppCoordinator::dismiss() {
    cancelSessionWork();
    if (session_) {
        recordViewed(*session_);
        retired_ = std::move(session_);
        emit sessionChanged();
    }
    s_.panel.hide();
}

void AppCoordinator::recordViewed(const AssistantSession& session) {
    const AssistantSettings& settings = s_.settings.settings();
    if (settings.activityMemory == MemoryRetention::off || !session.context())
        return;
    const std::optional<QString> text = ViewedRecord::text(session);
    if (!text)
        return;
    s_.memory.recordActivity(session.context()->appName, std::nullopt, *text,
                             settings.activityMemory, MemoryEntry::Kind::viewed);
}
