#include "SettingsWindow/Tabs/LearnedActionCard.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Actions/TemplateRefusal.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Design/WrappingLabel.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextEditor.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/SingleClick.h"

namespace {

constexpr int actionFieldWidth = 280;

SettingsTextEditor* growingField(const QFont& font) {
    auto* field = new SettingsTextEditor(SettingsTextEditor::Look::field, 0, font);
    field->setFixedWidth(actionFieldWidth);
    return field;
}

QFont monospaced() {
    QFont font = DS::Font::body();
    font.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    // 12 beside the body's 13.
    if (font.pixelSize() > 0)
        font.setPixelSize(12);
    else
        font.setPointSizeF(font.pointSizeF() * 12 / 13);
    return font;
}

}  // namespace

LearnedActionCard::LearnedActionCard(SettingsStore& store, qsizetype index,
                                     const AssistantAction& action, QWidget* parent)
    : QWidget(parent),
      store_(store),
      index_(index),
      id_(action.id),
      name_(new SettingsTextField(QString(), actionFieldWidth)),
      trigger_(growingField(DS::Font::body())),
      instructions_(growingField(DS::Font::body())),
      delete_(new StyledButton(tr("Aktion löschen"), ButtonStyle::quiet())) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    auto* card = new SettingsCard;
    layout->addWidget(card);

    const auto addRow = [&](const QString& title, std::optional<QString> subtitle,
                            QWidget* accessory) {
        card->addRow(new SettingsRow(title, subtitle, accessory));
        rowTitles_.append(title);
    };
    addRow(tr("Name"), std::nullopt, name_);
    addRow(tr("Wann"), ::title(action.kind), trigger_);
    addRow(tr("Wie"), std::nullopt, instructions_);
    if (action.kind == AssistantAction::Kind::shell ||
        action.kind == AssistantAction::Kind::openURL) {
        template_ = growingField(monospaced());
        addRow(action.kind == AssistantAction::Kind::shell ? tr("Befehl") : tr("Link"),
               std::nullopt, template_);
        connect(template_, &SettingsTextEditor::edited, this, [this](const QString& text) {
            edit([&](AssistantAction& a) { a.templateText = text; });
        });
    }
    // A command or a link that no run would take says why under its template.
    if (action.kind == AssistantAction::Kind::shell ||
        action.kind == AssistantAction::Kind::openURL) {
        refusalLine_ = new QWidget;
        refusalLine_->setObjectName(QStringLiteral("templateRefusal"));
        auto* line = new QHBoxLayout(refusalLine_);
        line->setContentsMargins(14, 8, 14, 8);
        line->setSpacing(8);
        auto* mark = new SymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), QString(),
                                     DS::Font::footnote(), DS::Palette::warning);
        line->addWidget(mark, 0, Qt::AlignTop);
        refusalText_ = new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::errorText);
        line->addWidget(refusalText_, 1);
        card->addRow(refusalLine_);
    }
    auto* footer = new QWidget;
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(8, 4, 8, 4);
    footerLayout->addStretch(1);
    footerLayout->addWidget(delete_);
    card->addRow(footer);

    connect(name_, &SettingsTextField::edited, this,
            [this](const QString& text) { edit([&](AssistantAction& a) { a.name = text; }); });
    connect(trigger_, &SettingsTextEditor::edited, this,
            [this](const QString& text) { edit([&](AssistantAction& a) { a.trigger = text; }); });
    connect(instructions_, &SettingsTextEditor::edited, this, [this](const QString& text) {
        edit([&](AssistantAction& a) { a.instructions = text; });
    });
    SingleClick::guard(delete_);
    // Queued: the press must not delete the card it is delivered to.
    connect(delete_, &StyledButton::clicked, this, &LearnedActionCard::remove,
            Qt::QueuedConnection);
    display(action);
}

void LearnedActionCard::display(const AssistantAction& action) {
    name_->setValue(action.name);
    trigger_->setValue(action.trigger);
    instructions_->setValue(action.instructions);
    if (template_)
        template_->setValue(action.templateText);
    if (refusalLine_) {
        const std::optional<QString> refusal = templateRefusal(action);
        refusalText_->setText(refusal.value_or(QString()));
        refusalLine_->setVisible(refusal.has_value());
    }
}

template <typename Edit>
void LearnedActionCard::edit(Edit&& change) {
    store_.update([&](AssistantSettings& s) {
        // The list may have changed under the card (a deletion elsewhere); an edit then goes
        // nowhere rather than into another action.
        if (index_ < s.customActions.size() && s.customActions[index_].id == id_)
            change(s.customActions[index_]);
    });
}

void LearnedActionCard::remove() {
    // Every action with this id goes; a second click from a card that is already gone from the
    // list finds nothing to remove.
    store_.update([&](AssistantSettings& s) {
        s.customActions.removeIf([&](const AssistantAction& a) { return a.id == id_; });
    });
}
