#include "Panel/PanelView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Panel/ActionCard.h"
#include "Panel/ActionRow.h"
#include "Panel/AnswerArea.h"
#include "Panel/AssistantPanel.h"
#include "Panel/AssistantSession.h"
#include "Panel/ChatList.h"
#include "Panel/ContextRow.h"
#include "Panel/ConversationRow.h"
#include "Panel/DefinitionCard.h"
#include "Panel/DocumentCard.h"
#include "Panel/FailedFooter.h"
#include "Panel/InstructionField.h"
#include "Panel/ListeningHint.h"
#include "Panel/ModeSwitch.h"
#include "Panel/NoticeBlock.h"
#include "Panel/PanelActions.h"
#include "Panel/PanelTexts.h"
#include "Panel/ProblemBlock.h"
#include "Panel/QuoteBlock.h"
#include "Panel/ReadyHint.h"
#include "Panel/ReplyOrder.h"
#include "Panel/ReplyScroll.h"
#include "Panel/SentInstructionField.h"
#include "Panel/SessionProviderChip.h"
#include "Panel/StreamingHint.h"
#include "Panel/StreamingText.h"
#include "Panel/TintedLabel.h"
#include "Panel/WindowDragHandle.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"

namespace {

using namespace std::chrono_literals;
using Kind = AssistantSession::Phase::Kind;

constexpr qreal kGlassOpacity = 0.9;
// Responses of the critically damped springs that bring in rows after a state change.
constexpr double kStateSpring = 0.25;
constexpr double kPlaceholderSpring = 0.35;

bool activeKindIs(const AssistantSession& session, ReplyKind kind) {
    const auto active = session.activeTurn();
    return session.phase().kind() == Kind::streaming && active && active->kind == kind;
}

QWidget* row(QWidget* parent, const char* name, QBoxLayout::Direction direction, QMargins margins,
             int spacing) {
    auto* widget = new QWidget(parent);
    widget->setObjectName(QLatin1String(name));
    auto* layout = new QBoxLayout(direction, widget);
    layout->setContentsMargins(margins);
    layout->setSpacing(spacing);
    return widget;
}

}  // namespace

PanelView::PanelView(AssistantSession& session, PanelActions& actions, QWidget* parent)
    : QWidget(parent), session_(&session), actions_(actions) {
    setObjectName(QStringLiteral("panelView"));
    setFixedWidth(kWidth);
    build();

    for (auto signal :
         {&AssistantSession::activeTurnIDChanged, &AssistantSession::draftChanged,
          &AssistantSession::actionProposalChanged, &AssistantSession::definitionProposalChanged,
          &AssistantSession::dictationErrorChanged, &AssistantSession::screenHintDismissedChanged,
          &AssistantSession::appliedInstructionsChanged})
        connect(&session, signal, this, &PanelView::refresh);
    // These changes bring their new rows in softly, whatever the desktop's motion setting.
    const std::pair<void (AssistantSession::*)(), double> animated[] = {
        {&AssistantSession::phaseChanged, kStateSpring},
        {&AssistantSession::quoteChanged, kStateSpring},
        {&AssistantSession::quotePlaceholderHiddenChanged, kPlaceholderSpring},
        {&AssistantSession::isReadingQuoteChanged, kStateSpring},
        {&AssistantSession::isListeningChanged, kStateSpring}};
    for (const auto& [signal, response] : animated)
        connect(&session, signal, this, [this, response = response] { refreshAnimated(response); });
    connect(&session, &AssistantSession::turnsChanged, this, [this] {
        // A reply growing is no new row; a turn more or less is.
        const qsizetype count = session_ ? session_->chatTurns().size() : 0;
        if (count != lastChatCount_)
            refreshAnimated(kStateSpring);
        else
            refresh();
    });
    connect(&session, &AssistantSession::phaseChanged, this, &PanelView::onPhaseChanged);
    connect(&session, &QObject::destroyed, this, [this] {
        // The application dropped the session before replacing this view: nothing may reach
        // it any more.
        setEnabled(false);
        hide();
    });
    connect(&actions_.settings(), &SettingsStore::settingsChanged, this, &PanelView::refresh);
    connect(&actions_.permissions(), &PermissionsManager::screenRecordingChanged, this,
            &PanelView::refresh);
    connect(&actions_, &PanelActions::demoForceScreenHintChanged, this, &PanelView::refresh);
    lastPhase_ = static_cast<int>(session.phase().kind());
    lastChatCount_ = session.chatTurns().size();
    // Showing a row lays out its subtree at once, even inside a hidden view; the panel lays
    // the whole view out when it shows it, so the first refresh skips those passes. They
    // were a quarter of the time to build the view, on the way from the shortcut to the panel.
    // The refresh may delete some of them (the layouts inside a quote card that turns compact):
    // only those still there are switched on again. A switched-off layout also misses a child
    // widget that is deleted, so whatever this refresh replaces leaves its layout first.
    QList<QPointer<QLayout>> layouts;
    for (QLayout* each : findChildren<QLayout*>()) {
        each->setEnabled(false);
        layouts.append(each);
    }
    refresh();
    for (const QPointer<QLayout>& each : layouts)
        if (each)
            each->setEnabled(true);
}

PanelView::~PanelView() = default;

QWidget* PanelView::slot(const char* name, QWidget* parent) {
    // The place of a section that is not built yet: named, empty, shown by the rules of its row.
    auto* widget = new QWidget(parent ? parent : this);
    widget->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return widget;
}

void PanelView::addRow(QWidget* row) {
    static_cast<QVBoxLayout*>(layout())->addWidget(row);
}

void PanelView::defer(QWidget*& row, const char* name, QWidget* parent,
                      std::function<QWidget*(QWidget* parent)> make) {
    row = new QWidget(parent);
    row->setObjectName(QLatin1String(name));
    row->hide();
    parent->layout()->addWidget(row);
    deferred_.push_back({&row, std::move(make)});
}

void PanelView::deferInSlot(QWidget*& row, const char* name, QWidget* parent,
                            std::function<QWidget*(QWidget* slot)> make) {
    defer(row, name, parent, [this, name, make = std::move(make)](QWidget* parent) {
        QWidget* holder = slot(name, parent);
        holder->layout()->addWidget(make(holder));
        return holder;
    });
}

void PanelView::showRow(QWidget*& row, bool visible) {
    const auto deferred = std::find_if(deferred_.begin(), deferred_.end(),
                                       [&row](const Deferred& each) { return each.row == &row; });
    if (visible && deferred != deferred_.end()) {
        const auto make = std::move(deferred->make);
        deferred_.erase(deferred);
        QWidget* parent = row->parentWidget();
        QWidget* built = make(parent);
        delete parent->layout()->replaceWidget(row, built);
        keepTabPlace(row, built);
        delete row;
        row = built;
    }
    row->setVisible(visible);
}

void PanelView::keepTabPlace(QWidget* standIn, QWidget* built) {
    // Made last, the section's widgets would come last on Tab; they take its stand-in's place.
    QList<QWidget*> focusable = built->findChildren<QWidget*>();
    focusable.prepend(built);
    focusable.removeIf([](QWidget* each) { return !(each->focusPolicy() & Qt::TabFocus); });
    QWidget* before = standIn->previousInFocusChain();
    while (before != standIn &&
           (!(before->focusPolicy() & Qt::TabFocus) || built->isAncestorOf(before)))
        before = before->previousInFocusChain();
    if (before == standIn)
        return;
    for (QWidget* each : focusable) {
        QWidget::setTabOrder(before, each);
        before = each;
    }
}

void PanelView::build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kSpacing);
    // Not the layout's minimum: a row that asks for more than the fixed width is laid out
    // narrower rather than widening the view past its window's edge. The height is the
    // controller's, from fittingSize().
    layout->setSizeConstraint(QLayout::SetDefaultConstraint);

    // 1: the header, which the user drags to move the panel.
    contextRow_ = new WindowDragHandle(this);
    contextRow_->setObjectName(QStringLiteral("contextRow"));
    auto* contextLayout = new QHBoxLayout(contextRow_);
    contextLayout->setContentsMargins(0, 0, 0, 0);
    ContextRow::Hooks hooks{
        [this] { return showsScreenHint(); },
        [this] { return actions_.settings().settings().projects; }, [this] { actions_.dismiss(); },
        [this](std::optional<Project> project) { actions_.chooseProject(std::move(project)); },
        [this] { actions_.manageProjects(); }};
    contextContent_ =
        new ContextRow(*session_, std::move(hooks), actions_.applicationIcons(), contextRow_);
    contextLayout->addWidget(contextContent_);
    addRow(contextRow_);

    // Most sections show in few invocations: each is built when it first shows, as building
    // them all was most of the time from the shortcut to the panel.
    // 2a: what stopped the request.
    deferInSlot(problemBlock_, "problemBlock", this,
                [this](QWidget* slot) { return new ProblemBlock(*session_, actions_, slot); });
    deferInSlot(failedFooter_, "failedFooter", this,
                [this](QWidget* slot) { return new FailedFooter(*session_, actions_, slot); });

    // 2b: the screen hint or the quote, entering as one.
    auto* lead = row(this, "leadGroup", QBoxLayout::TopToBottom, {}, 0);
    defer(screenHint_, "screenHint", lead,
          [this](QWidget* parent) { return buildScreenHint(parent); });
    quoteBlock_ = slot("quoteBlock", lead);
    quote_ = new QuoteBlock(*session_, quoteBlock_);
    quoteBlock_->layout()->addWidget(quote_);
    lead->layout()->addWidget(quoteBlock_);
    addRow(lead);

    // 3 to 6 in one column that scrolls when the screen is too short for them, each where its
    // reply came.
    replies_ = new ReplyScroll(kSpacing, this);
    // At the width the stack gives it, so that its first height is already the right one.
    replies_->resize(kWidth - 2 * kPadding, 0);
    QWidget* column = replies_->column();
    addRow(replies_);
    // A reply that grows or shrinks inside the capped column changes what the draft must give.
    connect(replies_, &ReplyScroll::desiredHeightChanged, this, [this] { fitRoom(); });

    // 3: the conversation, cut into stretches where the draft or a card came (more lists are
    // made as needed), and the instructions applied to the draft, which head it.
    defer(chatList_, "chatList", column, [this](QWidget* parent) { return makeChatList(parent); });
    instructionLine_ = row(column, "instructionLine", QBoxLayout::LeftToRight, {4, 0, 4, 0}, 6);
    auto* sparkle = new SymbolLabel(QStringLiteral("sparkle"), QString(), DS::Font::system(10),
                                    DS::Palette::tertiary, instructionLine_);
    instructionLine_->layout()->addWidget(sparkle);
    instructionLineLabel_ = new ElidedLabel(QString(), instructionLine_);
    instructionLineLabel_->setFont(DS::Font::hint());
    instructionLineLabel_->setColor(DS::Palette::tertiary);
    instructionLineLabel_->setElideMode(Qt::ElideMiddle);
    instructionLineLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    instructionLine_->layout()->addWidget(instructionLineLabel_);
    column->layout()->addWidget(instructionLine_);

    // 4 to 6: the answer and the cards.
    defer(answerRow_, "answerArea", column, [this](QWidget* parent) {
        answerArea_ = new AnswerArea(parent);
        answerArea_->streamingText()->layout()->addWidget(
            new StreamingText(*session_, actions_.clock(), answerArea_->streamingText()));
        return answerArea_;
    });
    deferInSlot(actionCard_, "actionCard", column,
                [this](QWidget* slot) { return new ActionCard(*session_, actions_, slot); });
    deferInSlot(definitionCard_, "definitionCard", column,
                [this](QWidget* slot) { return new DefinitionCard(*session_, actions_, slot); });

    // 7: what was sent while the reply arrives, else the field for the next instruction.
    defer(sentRow_, "sentInstructionField", this, [this](QWidget* parent) {
        sentField_ = new SentInstructionField(*session_, actions_, parent);
        return sentField_;
    });
    instructionField_ = new InstructionField(*session_, actions_, this);
    addRow(instructionField_);

    // 8: why dictation stopped.
    dictationErrorLine_ = row(this, "dictationErrorLine", QBoxLayout::LeftToRight, {4, 0, 4, 0}, 6);
    static_cast<QBoxLayout*>(dictationErrorLine_->layout())->setAlignment(Qt::AlignTop);
    auto* micSlash = new SymbolLabel(QStringLiteral("mic.slash"), QString(), DS::Font::hint(),
                                     DS::Palette::warningText, dictationErrorLine_);
    dictationErrorLine_->layout()->addWidget(micSlash);
    dictationErrorLine_->layout()->setAlignment(micSlash, Qt::AlignTop);
    dictationErrorLabel_ = new TintedLabel(DS::Palette::warningText, dictationErrorLine_);
    dictationErrorLabel_->setFont(DS::Font::hint());
    dictationErrorLabel_->setWordWrap(true);
    dictationErrorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    dictationErrorLine_->layout()->addWidget(dictationErrorLabel_);
    addRow(dictationErrorLine_);

    // 9: the bottom row, one of five by state.
    auto* bottom = row(this, "bottomRow", QBoxLayout::TopToBottom, {}, 0);
    const StatusLine::Accessory chip = [this](QWidget* parent) {
        return new SessionProviderChip(*session_, actions_, parent);
    };
    const StatusLine::Accessory modes = [this](QWidget* parent) {
        return new ModeSwitch(*session_, parent);
    };
    defer(listeningHint_, "listeningHint", bottom,
          [this, chip](QWidget* parent) { return new ListeningHint(*session_, chip, parent); });
    defer(streamingHint_, "streamingHint", bottom, [this, chip](QWidget* parent) {
        return new StreamingHint(*session_, actions_.clock(), chip, parent);
    });
    defer(actionRow_, "actionRow", bottom,
          [this](QWidget* parent) { return new ActionRow(*session_, actions_, parent); });
    readyHint_ = new ReadyHint(*session_, modes, chip, bottom);
    bottom->layout()->addWidget(readyHint_);
    defer(conversationRow_, "conversationRow", bottom, [this, modes, chip](QWidget* parent) {
        return new ConversationRow([this] { actions_.writeNow(); }, modes, chip, parent);
    });
    addRow(bottom);
}

ChatList* PanelView::makeChatList(QWidget* parent) {
    auto* list = new ChatList(*session_, actions_.urlOpener(), parent);
    list->setCardFactory([this](const ConversationTurn& turn, bool writing, QWidget* parent) {
        auto* card = new DocumentCard(
            {actions_.urlOpener(), actions_.fileRevealer(), actions_.clipboard()}, parent);
        card->setTurn(turn, writing);
        return card;
    });
    return list;
}

bool PanelView::showsScreenHint() const {
    if (actions_.demoForceScreenHint())
        return true;
    return actions_.settings().settings().includeScreenshot &&
           !actions_.permissions().screenRecording() && session_ &&
           !session_->screenHintDismissed();
}

bool PanelView::hasCard() const {
    return session_ && (session_->actionProposal() || session_->definitionProposal());
}

bool PanelView::isCompact() const {
    return session_ && (!session_->chatTurns().isEmpty() || session_->hasDraft() ||
                        activeKindIs(*session_, ReplyKind::chat));
}

QString PanelView::quoted(const QString& text) {
    return PanelTexts::quoted(text);
}

QString PanelView::instructionLineText(const QStringList& applied) {
    QStringList shown;
    for (const QString& entry : applied)
        if (!entry.trimmed().isEmpty())
            shown.append(quoted(entry));
    return shown.join(QStringLiteral(" · "));
}

void PanelView::refresh() {
    if (!session_)
        return;
    const AssistantSession& session = *session_;
    const Kind phase = session.phase().kind();
    const bool failed = phase == Kind::failed;
    const bool streamingDraft = activeKindIs(session, ReplyKind::draft);
    const bool conversation =
        !session.chatTurns().isEmpty() || activeKindIs(session, ReplyKind::chat);
    const bool compact = isCompact();
    const QString lineText = instructionLineText(session.appliedInstructions());

    showRow(problemBlock_, failed);
    showRow(failedFooter_, failed);

    const bool hint = phase == Kind::ready && !compact && showsScreenHint();
    quote_->setCompact(compact);
    const bool quote = !hint && quote_->variant() != QuoteBlock::Variant::none;
    // An empty group would still take the stack's spacing: twice the gap below the header.
    screenHint_->parentWidget()->setVisible(!failed && (hint || quote));
    showRow(screenHint_, hint);
    quoteBlock_->setVisible(quote);
    contextContent_->refresh();

    showRow(chatList_, !failed && conversation);
    instructionLineLabel_->setText(lineText);
    instructionLine_->setVisible(!failed && (session.hasDraft() || streamingDraft) &&
                                 !lineText.isEmpty());

    const bool answer = !failed && (session.hasDraft() || streamingDraft);
    if (answer)
        showRow(answerRow_, true);
    if (answerArea_) {
        answerArea_->setDraft(session.draft());
        answerArea_->setStreaming(streamingDraft);
    }
    showRow(answerRow_, answer);
    showRow(actionCard_, !failed && session.actionProposal().has_value());
    showRow(definitionCard_, !failed && session.definitionProposal().has_value());
    // An empty column would still take the stack's spacing.
    replies_->setVisible(!failed && (conversation || instructionLine_->isVisibleTo(replies_) ||
                                     answer || hasCard()));
    arrangeReplies();

    const bool sent = phase == Kind::streaming;
    if (sent)
        showRow(sentRow_, true);
    if (sentField_)
        sentField_->setCompact(compact);
    showRow(sentRow_, sent);
    instructionField_->setLarge(!compact);
    instructionField_->setVisible(phase == Kind::ready || phase == Kind::done);

    const bool dictationError =
        session.dictationError() && !session.dictationError()->isEmpty() && !session.isListening();
    dictationErrorLabel_->setText(dictationError ? tr("Spracheingabe: ") + *session.dictationError()
                                                 : QString());
    dictationErrorLine_->setVisible(!failed && dictationError);

    QWidget* bottom = listeningHint_->parentWidget();
    bottom->setVisible(!failed);
    QWidget* shown = nullptr;
    if (session.isListening())
        shown = listeningHint_;
    else if (phase == Kind::streaming)
        shown = streamingHint_;
    else if (phase == Kind::done)
        shown = actionRow_;
    else if (session.chatTurns().isEmpty())
        shown = readyHint_;
    else
        shown = conversationRow_;
    for (QWidget** variant :
         {&listeningHint_, &streamingHint_, &actionRow_, &readyHint_, &conversationRow_})
        showRow(*variant, *variant == shown);
    fitRoom();
    const QList<QWidget*> shownBefore = shownRows_;
    fadeInNewRows();
    // The background changes with the rows shown and the listening halo; a reply growing
    // inside its row repaints only that row, not the whole panel with every chunk.
    const bool halo = session.isListening() && instructionField_->isVisibleTo(this);
    if (shownRows_ != shownBefore || halo != haloShown_) {
        haloShown_ = halo;
        update();
    }
}

QList<QWidget*> PanelView::rows() const {
    return {problemBlock_,     failedFooter_,       screenHint_,    quoteBlock_,     chatList_,
            instructionLine_,  answerRow_,          actionCard_,    definitionCard_, sentRow_,
            instructionField_, dictationErrorLine_, listeningHint_, streamingHint_,  actionRow_,
            readyHint_,        conversationRow_};
}

void PanelView::onPhaseChanged() {
    if (!session_)
        return;
    const Kind phase = session_->phase().kind();
    const bool changed = lastPhase_ != static_cast<int>(phase);
    lastPhase_ = static_cast<int>(phase);
    if (changed && (phase == Kind::ready || phase == Kind::done))
        instructionField_->focusField();
}

void PanelView::setOpaqueTint(bool opaque) {
    if (opaqueTint_ == opaque)
        return;
    opaqueTint_ = opaque;
    update();
}

QSize PanelView::fittingSize() const {
    const int height = layout()->hasHeightForWidth() ? heightForWidth(kWidth) : sizeHint().height();
    return {kWidth, height};
}

bool PanelView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        // A row grew or shrank: the replies may need to scroll, or may have room again.
        fitRoom();
        emit fittingSizeChanged();
    }
    return handled;
}

QWidget* PanelView::buildScreenHint(QWidget* parent) {
    auto* hint = new NoticeBlock(
        QStringLiteral("display"), DS::Palette::warningText, DS::Palette::warningSoft,
        tr("Ich sehe die Nachricht noch nicht"),
        tr("Erlaube die Bildschirmaufnahme, damit ich erkenne, worauf du antwortest. Schreiben "
           "geht trotzdem, nur ohne Kontext."),
        parent);
    hint->setObjectName(QStringLiteral("screenHint"));
    auto* allow =
        new StyledButton(tr("Bildschirmaufnahme erlauben …"), ButtonStyle::primary(26, 7));
    allow->setObjectName(QStringLiteral("allowScreenRecording"));
    connect(allow, &QAbstractButton::clicked, this,
            [this] { actions_.permissions().requestScreenRecording(); });
    auto* later = new StyledButton(tr("Später"), ButtonStyle::secondary(26, 7));
    later->setObjectName(QStringLiteral("later"));
    connect(later, &QAbstractButton::clicked, this, [this] { actions_.dismissScreenHint(); });
    for (StyledButton* button : {allow, later}) {
        button->setFocusPolicy(Qt::NoFocus);
        hint->addAction(button);
    }
    return hint;
}

void PanelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = AssistantPanel::kCornerRadius;
    QColor tint = DS::Palette::panelTint.resolve(this);
    if (opaqueTint_) {
        // Without a compositor the window is cut to its shape by a mask without soft edges:
        // fill all of it, so that no pixel inside the mask stays unpainted.
        tint.setAlphaF(1.0);
        painter.fillRect(rect(), tint);
    } else {
        // The compositor shows what lies behind the panel sharp, not blurred: at the tint's
        // own strength text behind would read through the panel's text.
        tint.setAlphaF(std::max<float>(tint.alphaF(), kGlassOpacity));
        RoundedBox::fill(painter, rect(), radius, tint);
    }
    RoundedBox::strokeInside(painter, rect(), radius, DS::Palette::stroke.resolve(this), 0.5);
    if (session_ && session_->isListening() && instructionField_->isVisible()) {
        // The listening halo reaches past the field into the panel's spacing.
        const qreal halo = 3.5;
        RoundedBox::fill(
            painter, QRectF(instructionField_->geometry()).adjusted(-halo, -halo, halo, halo),
            instructionField_->cornerRadius() + halo, DS::Palette::accentSoft.resolve(this));
    }
}
