#include "Panel/InstructionField.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "Design/FieldIconButton.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Theme.h"
#include "Design/Waveform.h"
#include "Panel/AssistantSession.h"
#include "Panel/LiveTextLine.h"
#include "Panel/PanelActions.h"
#include "Settings/SettingsStore.h"

namespace {

bool isBlankInstruction(const QString& text) {
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

    live_ = new LiveTextLine(this);
    layout->addWidget(live_, 1);
    waveform_ = new Waveform(this);
    waveform_->setObjectName(QStringLiteral("waveform"));
    layout->addWidget(waveform_);
    microphone_ = new FieldIconButton(QStringLiteral("mic"), 32, tr("Spracheingabe"), this);
    microphone_->setObjectName(QStringLiteral("microphoneButton"));
    microphone_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(microphone_);

    connect(edit_, &QLineEdit::textEdited, this,
            [this](const QString& text) { session_.setInstruction(text); });
    // Return runs the primary action; Control+Return belongs to the rows below (insert, write
    // now), so the field lets it pass instead of treating it as Return.
    edit_->installEventFilter(this);
    connect(microphone_, &QAbstractButton::clicked, this, [this] { onMicrophone(); });

    for (auto signal :
         {&AssistantSession::instructionChanged, &AssistantSession::isListeningChanged,
          &AssistantSession::liveConfirmedChanged, &AssistantSession::liveTentativeChanged,
          &AssistantSession::modeChanged, &AssistantSession::quoteChanged,
          &AssistantSession::turnsChanged, &AssistantSession::draftChanged,
          &AssistantSession::levelsChanged})
        connect(&session_, signal, this, &InstructionField::refresh);
    if (Theme* theme = Theme::current())
        connect(theme, &Theme::changed, this, &InstructionField::refreshColours);
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
    const QString typed = isBlankInstruction(session.instruction())
                              ? QString()
                              : session.instruction() + QLatin1Char(' ');
    return typed + session.liveConfirmed() + session.liveTentative();
}

bool InstructionField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!(key->modifiers() & Qt::ControlModifier))
                actions_.primaryAction();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
    const bool blank = isBlankInstruction(session_.instruction());
    live_->setText(
        (blank ? QString() : session_.instruction() + QLatin1Char(' ')) + session_.liveConfirmed(),
        session_.liveTentative(),
        session_.liveConfirmed().isEmpty() && session_.liveTentative().isEmpty() && blank);
    waveform_->setLevels(std::vector<float>(session_.levels().begin(), session_.levels().end()));

    const qreal side = large_ ? 32 : 28;
    microphone_->setVisible(actions_.settings().settings().dictationEnabled);
    microphone_->setSymbol(listening ? QStringLiteral("mic.fill") : QStringLiteral("mic"));
    microphone_->setActive(listening);
    microphone_->setFixedSize(side, side);
    const QString label = listening ? tr("Spracheingabe beenden") : tr("Spracheingabe");
    microphone_->setAccessibleName(label);
    microphone_->setToolTip(label);

    const QFont font = large_ ? DS::Font::instruction() : DS::Font::body();
    edit_->setFont(font);
    live_->setFont(font);
    setFixedHeight(large_ ? 46 : 38);
    layout()->setContentsMargins(large_ ? 14 : 12, 0, 7, 0);
    refreshColours();
}

void InstructionField::refreshColours() {
    QPalette colours = edit_->palette();
    colours.setColor(QPalette::Text, DS::Palette::label.resolve(this));
    colours.setColor(QPalette::PlaceholderText, DS::Palette::tertiary.resolve(this));
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Highlight, DS::Palette::accent.resolve(this));
    colours.setColor(QPalette::HighlightedText, DS::Palette::white.resolve(this));
    edit_->setPalette(colours);
    update();
}

void InstructionField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        update();
}

void InstructionField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = cornerRadius();
    RoundedBox::fill(painter, rect(), radius, DS::Palette::field.resolve(this));
    if (session_.isListening())
        RoundedBox::strokeInside(painter, rect(), radius, DS::Palette::accent.resolve(this), 1);
    else
        RoundedBox::strokeInside(painter, rect(), radius, DS::Palette::stroke.resolve(this), 0.5);
}
