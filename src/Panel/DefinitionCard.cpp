#include "Panel/DefinitionCard.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ActionRunner/ActionTarget.h"
#include "Actions/TemplateRefusal.h"
#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Panel/AssistantSession.h"
#include "Panel/CardTextField.h"
#include "Panel/PanelActions.h"
#include "Panel/StoredTextPreview.h"
#include "Panel/TintedLabel.h"

namespace {

constexpr int kTitleWidth = 46;

// The face of a template's field, for its text shown whole.
QFont monospaced() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    return font;
}

}  // namespace

DefinitionCard::DefinitionCard(AssistantSession& session, PanelActions& actions, QWidget* parent)
    : CardFrame(DS::Palette::accent, 0.35, 1, 10, parent), session_(&session), actions_(actions) {
    setObjectName(QStringLiteral("definitionCardView"));
    QVBoxLayout* column = this->column();

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(new SymbolLabel(QStringLiteral("plus.circle"), QString(),
                                      DS::Font::system(13), DS::Palette::accentText, this));
    ElidedLabel* title = line(DS::Font::system(13, QFont::DemiBold), DS::Palette::label, this);
    title->setText(tr("Neue Aktion lernen"));
    header->addWidget(title);
    kind_ = line(DS::Font::hint(), DS::Palette::tertiary, this);
    kind_->setObjectName(QStringLiteral("definitionKind"));
    header->addWidget(kind_);
    header->addStretch(1);
    column->addLayout(header);

    rowsBox_ = new QWidget(this);
    auto* rowsLayout = new QVBoxLayout(rowsBox_);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(10);
    column->addWidget(rowsBox_);

    // A learned link names the server it goes to as the browser will show it.
    host_ = line(DS::Font::system(12.5, QFont::Medium), DS::Palette::label, this);
    host_->setObjectName(QStringLiteral("definitionHost"));
    column->addWidget(host_);

    refusal_ = errorText("definitionRefusal", this);
    column->addWidget(refusal_);

    buttonRow_ = new QWidget(this);
    auto* buttons = new QHBoxLayout(buttonRow_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(8);
    buttons->addStretch(1);
    auto* discard =
        button(tr("Verwerfen"), ButtonStyle::secondary(26, 7), "discardDefinition", buttonRow_);
    connect(discard, &QAbstractButton::clicked, this, &DefinitionCard::clear);
    buttons->addWidget(discard);
    save_ = button(tr("Als Aktion speichern"), ButtonStyle::primary(26, 7), "saveDefinition",
                   buttonRow_);
    connect(save_, &QAbstractButton::clicked, this, &DefinitionCard::save);
    buttons->addWidget(save_);
    column->addWidget(buttonRow_);

    savedRow_ = new QWidget(this);
    savedRow_->setObjectName(QStringLiteral("definitionSaved"));
    auto* saved = new QHBoxLayout(savedRow_);
    saved->setContentsMargins(0, 0, 0, 0);
    QWidget* message = successLine(savedText_, savedRow_);
    savedText_->setObjectName(QStringLiteral("definitionSavedText"));
    saved->addWidget(message, 1, Qt::AlignVCenter);
    auto* finished =
        button(tr("Fertig"), ButtonStyle::secondary(26, 7), "finishDefinition", savedRow_);
    connect(finished, &QAbstractButton::clicked, this, &DefinitionCard::clear);
    saved->addWidget(finished);
    column->addWidget(savedRow_);

    connect(&session, &AssistantSession::definitionProposalChanged, this, &DefinitionCard::sync);
    sync();
}

QList<DefinitionCard::Row> DefinitionCard::rows(AssistantAction::Kind kind) {
    QList<Row> rows{{tr("Name"), &AssistantAction::name, false},
                    {tr("Wann"), &AssistantAction::trigger, false},
                    {tr("Wie"), &AssistantAction::instructions, false}};
    if (kind == AssistantAction::Kind::shell)
        rows.append({tr("Befehl"), &AssistantAction::templateText, true});
    else if (kind == AssistantAction::Kind::openURL)
        rows.append({tr("Link"), &AssistantAction::templateText, true});
    return rows;
}

QString DefinitionCard::moreLines(int total, int shown) {
    return tr("%1 Zeilen, %2 sichtbar – im Feld scrollen, um alle zu sehen.").arg(total).arg(shown);
}

QString DefinitionCard::savedText(const QString& name) {
    return tr("Gespeichert. Ab jetzt reicht z. B. „%1“.").arg(name);
}

void DefinitionCard::sync() {
    if (!session_)
        return;
    const std::optional<ActionDefinitionProposal>& proposal = session_->definitionProposal();
    if (!proposal) {
        shownId_.reset();
        return;
    }
    if (shownId_ != proposal->id)
        rebuild(*proposal);
    present(*proposal);
}

void DefinitionCard::rebuild(const ActionDefinitionProposal& proposal) {
    shownId_ = proposal.id;
    saveClicked_ = false;
    for (const Field& entry : fields_)
        delete entry.editor->parentWidget();
    fields_.clear();
    for (const Row& row : rows(proposal.action.kind)) {
        auto* line = new QWidget(rowsBox_);
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        ElidedLabel* title = CardFrame::line(DS::Font::hint(), DS::Palette::tertiary, line);
        title->setText(row.title);
        title->setFixedWidth(kTitleWidth);
        auto* field = new CardTextField(CardTextField::Shape::growing, row.monospaced, line);
        field->setObjectName(QStringLiteral("row:") + row.title);
        field->setLabel(row.title);
        // The title sits on the first line of the field, however many lines it grows to.
        title->setFixedHeight(field->sizeHint().height());
        layout->addWidget(title, 0, Qt::AlignTop);
        auto* stack = new QVBoxLayout;
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(3);
        stack->addWidget(field);
        // A field holds three lines in view; what it holds beyond them is said under it, so
        // that nothing stored goes unseen.
        ElidedLabel* more = CardFrame::line(DS::Font::hint(), DS::Palette::accentText, line);
        more->setObjectName(QStringLiteral("more:") + row.title);
        more->hide();
        stack->addWidget(more);
        // Scrolling through a run of blank lines is no way to find the one line between them:
        // what the field cannot show plainly is shown whole under it, runs counted.
        auto* whole = new StoredTextPreview(DS::Palette::secondary, line);
        whole->setObjectName(QStringLiteral("whole:") + row.title);
        whole->setFont(row.monospaced ? monospaced() : DS::Font::system(12));
        whole->hide();
        stack->addWidget(whole);
        layout->addLayout(stack, 1);
        const Field shown{row.field, field, whole};
        connect(field, &CardTextField::linesChanged, more, [more, field, shown](int total) {
            const bool hidden = total > field->shownLines();
            more->setText(hidden ? moreLines(total, field->shownLines()) : QString());
            more->setVisible(hidden);
            showWhole(shown);
        });
        connect(field, &CardTextField::edited, this,
                [this, member = row.field](const QString& text) { edit(member, text); });
        rowsBox_->layout()->addWidget(line);
        // At once, not on the layout's next pass: the card must never show a frame without them.
        line->show();
        fields_.append(shown);
    }
}

void DefinitionCard::present(const ActionDefinitionProposal& proposal) {
    kind_->setText(title(proposal.action.kind));
    for (const Field& field : fields_) {
        field.editor->setText(proposal.action.*field.member);
        field.whole->setStoredText(proposal.action.*field.member);
        showWhole(field);
    }
    rowsBox_->setVisible(!proposal.saved);
    const std::optional<QString> host = ActionTarget::templateHost(proposal.action);
    host_->setText(host ? tr("Server: %1").arg(*host) : QString());
    host_->setVisible(host && !proposal.saved);
    const std::optional<QString> refusal = templateRefusal(proposal.action);
    refusal_->setText(refusal.value_or(QString()));
    refusal_->setVisible(refusal && !proposal.saved);
    buttonRow_->setVisible(!proposal.saved);
    savedRow_->setVisible(proposal.saved);
    savedText_->setText(savedText(proposal.action.name));
    save_->setEnabled(!proposal.saved && !saveClicked_ && !refusal);
}

void DefinitionCard::showWhole(const Field& field) {
    field.whole->setVisible(field.editor->totalLines() > field.editor->shownLines() ||
                            field.whole->differs());
}

AssistantSession* DefinitionCard::owner() const {
    AssistantSession* current = actions_.session();
    if (!current || !shownId_ || !current->definitionProposal() ||
        current->definitionProposal()->id != *shownId_)
        return nullptr;
    return current;
}

void DefinitionCard::edit(QString AssistantAction::*field, const QString& text) {
    AssistantSession* current = owner();
    if (!current || current->definitionProposal()->saved)
        return;
    ActionDefinitionProposal proposal = *current->definitionProposal();
    proposal.action.*field = text;
    current->setDefinitionProposal(std::move(proposal));
}

void DefinitionCard::save() {
    AssistantSession* current = owner();
    if (!current || saveClicked_ || current->definitionProposal()->saved ||
        templateRefusal(current->definitionProposal()->action))
        return;
    saveClicked_ = true;
    save_->setEnabled(false);
    actions_.saveDefinition();
}

void DefinitionCard::clear() {
    if (AssistantSession* current = owner())
        current->setDefinitionProposal(std::nullopt);
}
