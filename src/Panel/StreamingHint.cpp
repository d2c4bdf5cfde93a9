#include "Panel/StreamingHint.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <algorithm>

#include "Design/ElidedLabel.h"
#include "Design/Keycap.h"
#include "Design/TypingDots.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelTexts.h"
#include "Panel/SpringCurve.h"
#include "Platform/Clock.h"

namespace {

using Stage = AssistantSession::WaitStage;

PanelTexts::WaitStep step(const AssistantSession& session) {
    switch (session.waitStage()) {
        case Stage::capturing:
            return PanelTexts::WaitStep::capturing;
        case Stage::connecting:
            return PanelTexts::WaitStep::connecting;
        case Stage::thinking:
            return PanelTexts::WaitStep::thinking;
        case Stage::writing:
            break;
    }
    const auto active = session.activeTurn();
    const bool draft = session.phase().kind() == AssistantSession::Phase::Kind::streaming &&
                       active && active->kind == ReplyKind::draft;
    return draft ? PanelTexts::WaitStep::writingDraft : PanelTexts::WaitStep::writingOther;
}

}  // namespace

StreamingHint::StreamingHint(AssistantSession& session, Platform::Clock& clock,
                             const StatusLine::Accessory& providerChip, QWidget* parent)
    : QWidget(parent), session_(&session), clock_(clock) {
    setObjectName(QStringLiteral("streamingHint"));
    QHBoxLayout* layout = StatusLine::setUp(this);
    layout->addWidget(new TypingDots(this), 0, Qt::AlignVCenter);
    status_ = StatusLine::text({}, this);
    // The status may be the tool's own long activity text: it is cut when space runs out.
    status_->setMinimumWidth(0);
    status_->setMaximumWidth(QWIDGETSIZE_MAX);
    layout->addWidget(status_);
    elapsed_ = StatusLine::text({}, this);
    // Qt 6.4 cannot ask a font for equal-width digits; the desktop's text fonts have them.
    layout->addWidget(elapsed_);
    layout->addWidget(StatusLine::text(QStringLiteral("·"), this));
    layout->addWidget(new Keycap(QStringLiteral("esc"), this));
    layout->addWidget(StatusLine::text(tr("Stoppen"), this));
    layout->addStretch(1);
    StatusLine::addAccessory(layout, providerChip, this);

    for (auto signal :
         {&AssistantSession::activityChanged, &AssistantSession::waitStageChanged,
          &AssistantSession::requestStartedChanged, &AssistantSession::modelLabelChanged,
          &AssistantSession::providerChanged, &AssistantSession::phaseChanged,
          &AssistantSession::turnsChanged, &AssistantSession::activeTurnIDChanged})
        connect(&session, signal, this, &StreamingHint::refresh);
    connect(&session, &AssistantSession::waitStageChanged, this, &StreamingHint::fadeInStatus);
    refresh();
}

StreamingHint::~StreamingHint() = default;

void StreamingHint::fadeInStatus() {
    if (!isVisible())
        return;
    auto* fade = new QGraphicsOpacityEffect(status_);
    fade->setOpacity(0);
    status_->setGraphicsEffect(fade);
    fadeStart_ = clock_.monotonic();
    fader_ = clock_.repeating(std::chrono::milliseconds(16), [this] { stepFade(); });
}

void StreamingHint::stepFade() {
    static const SpringCurve spring = SpringCurve::withResponse(0.2, 1.0);
    const double elapsed = std::chrono::duration<double>(clock_.monotonic() - fadeStart_).count();
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(status_->graphicsEffect());
    if (!fade || elapsed >= spring.settlingDuration()) {
        status_->setGraphicsEffect(nullptr);
        fader_.reset();
        return;
    }
    fade->setOpacity(std::clamp(spring.value(elapsed), 0.0, 1.0));
}

QString StreamingHint::status() const {
    return status_->text();
}

QString StreamingHint::elapsed() const {
    return elapsed_->isHidden() ? QString() : elapsed_->text();
}

void StreamingHint::refresh() {
    if (!session_)
        return;
    const AssistantSession& session = *session_;
    status_->setText(session.activity().value_or(
        PanelTexts::waitText(step(session), session.modelLabel(), session.provider())));
    const bool counting = session.waitStage() != Stage::writing && session.requestStarted();
    if (!counting) {
        ticker_.reset();
        elapsed_->hide();
        return;
    }
    tick();
}

void StreamingHint::tick() {
    if (!session_ || !session_->requestStarted())
        return;
    const qint64 sinceMs = session_->requestStarted()->msecsTo(clock_.now());
    const QString text = PanelTexts::elapsedText(std::max<qint64>(sinceMs, 0) / 1000);
    elapsed_->setText(text);
    StatusLine::fit(elapsed_);
    elapsed_->setVisible(!text.isEmpty());
    // The next whole second after the start.
    const qint64 untilNext = 1000 - (std::max<qint64>(sinceMs, 0) % 1000);
    ticker_ = clock_.singleShot(Platform::Milliseconds(untilNext), [this] { tick(); });
}
