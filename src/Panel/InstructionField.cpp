#include "Panel/InstructionField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"
#include "Settings/SettingsStore.h"

namespace {

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

}  // namespace

InstructionField::InstructionField(AssistantSession& session, PanelActions& actions,
                                   QWidget* parent)
    : QWidget(parent), session_(session), actions_(actions) {
    setObjectName(QStringLiteral("instructionField"));
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(8);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("instructionEdit"));
    edit_->setFrame(false);
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    edit_->setText(session_.instruction());
    layout->addWidget(edit_, 1);

    live_ = new QLabel(this);
    live_->setObjectName(QStringLiteral("liveText"));
    layout->addWidget(live_, 1);
    speakNow_ = new QLabel(tr("Sprich jetzt …"), live_);
    speakNow_->setObjectName(QStringLiteral("speakNow"));

    waveform_ = new QWidget(this);
    waveform_->setObjectName(QStringLiteral("waveform"));
    layout->addWidget(waveform_);

    auto* microphone = new QToolButton(this);
    microphone->setObjectName(QStringLiteral("microphoneButton"));
    microphone_ = microphone;
    layout->addWidget(microphone_);

    connect(edit_, &QLineEdit::textEdited, this,
            [this](const QString& text) { session_.setInstruction(text); });
    connect(edit_, &QLineEdit::returnPressed, this, [this] { actions_.primaryAction(); });
    connect(microphone_, &QAbstractButton::clicked, this, [this] { onMicrophone(); });

    for (auto signal :
         {&AssistantSession::instructionChanged, &AssistantSession::isListeningChanged,
          &AssistantSession::liveConfirmedChanged, &AssistantSession::liveTentativeChanged,
          &AssistantSession::modeChanged, &AssistantSession::quoteChanged,
          &AssistantSession::turnsChanged, &AssistantSession::draftChanged})
        connect(&session_, signal, this, &InstructionField::refresh);
    connect(&actions_.settings(), &SettingsStore::settingsChanged, this,
            &InstructionField::refresh);
    refresh();
}

QString InstructionField::placeholder(const AssistantSession& session) {
    if (session.hasDraft())
        return tr("Anpassen oder fragen …  z. B. „kürzer“");
    const bool conversation = !session.chatTurns().isEmpty();
    if (session.quote() && session.quote()->isSelection && !conversation)
        return tr("Was soll ich damit machen? z. B. „übersetzen“, „erklären“, „antworten“");
    if (conversation)
        return tr("Weiter besprechen … oder „Schreib das jetzt so“");
    switch (session.mode()) {
        case AssistantSession::Mode::automatic:
            return tr("Was soll ich antworten? Oder frag mich erst etwas");
        case AssistantSession::Mode::discuss:
            return tr("Was möchtest du vorher besprechen?");
        case AssistantSession::Mode::write:
            return tr("Was soll ich antworten? Leer lassen für einen Vorschlag");
    }
    return {};
}

QString InstructionField::liveText(const AssistantSession& session) {
    const QString typed =
        isBlank(session.instruction()) ? QString() : session.instruction() + QLatin1Char(' ');
    return typed + session.liveConfirmed() + session.liveTentative();
}

void InstructionField::setLarge(bool large) {
    if (large_ == large)
        return;
    large_ = large;
    refresh();
}

void InstructionField::focusField() {
    edit_->setFocus(Qt::OtherFocusReason);
}

void InstructionField::onMicrophone() {
    // The button acts on the application's current session, which may already be a newer one
    // than this view's.
    AssistantSession* current = actions_.session();
    if (!current)
        return;
    if (!current->isListening())
        actions_.startListening();
    else
        actions_.finishListening(true);
}

void InstructionField::refresh() {
    const bool listening = session_.isListening();
    if (edit_->text() != session_.instruction())
        edit_->setText(session_.instruction());
    edit_->setPlaceholderText(placeholder(session_));
    edit_->setVisible(!listening);
    live_->setVisible(listening);
    waveform_->setVisible(listening);
    live_->setText(liveText(session_));
    speakNow_->setVisible(session_.liveConfirmed().isEmpty() &&
                          session_.liveTentative().isEmpty() && isBlank(session_.instruction()));
    microphone_->setVisible(actions_.settings().settings().dictationEnabled);
    microphone_->setToolTip(listening ? tr("Spracheingabe beenden") : tr("Spracheingabe"));
    microphone_->setAccessibleName(microphone_->toolTip());
    setFixedHeight(large_ ? 46 : 38);
    layout()->setContentsMargins(large_ ? 14 : 12, 0, 7, 0);
    update();
}

void InstructionField::paintEvent(QPaintEvent*) {}
