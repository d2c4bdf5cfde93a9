#include "SettingsWindow/Tabs/StyleSettings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"
#include "Memory/MemoryStore.h"
#include "SettingsWindow/Blocks/CardBox.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Blocks/MinusButton.h"
#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsBindings.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextEditor.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/TextRowButton.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"
#include "SettingsWindow/Tabs/ToneChip.h"

namespace {

QFont semiboldFootnote() {
    QFont font = DS::Font::footnote();
    font.setWeight(QFont::DemiBold);
    return font;
}

// A row of the rules card with the card's insets.
QWidget* insetRow(QLayout* content) {
    auto* row = new QWidget;
    content->setContentsMargins(14, 11, 14, 11);
    row->setLayout(content);
    return row;
}

}  // namespace

StyleSettings::StyleSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator) {
    SettingsStore& store = coordinator_.settings();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(new SectionTitle(tr("Tonalität")));
    layout->addWidget(toneCard());

    layout->addWidget(new SectionTitle(tr("Feste Regeln")));
    rulesCard_ = new SettingsCard;
    ruleField_ = new QLineEdit;
    ruleField_->setPlaceholderText(tr("Neue Regel, z. B. „Immer duzen“"));
    ruleField_->setFrame(false);
    ruleField_->setFont(DS::Font::body());
    auto* fieldLayout = new QHBoxLayout;
    fieldLayout->addWidget(ruleField_);
    ruleFieldRow_ = insetRow(fieldLayout);
    ruleFieldRow_->hide();
    rulesCard_->addRow(ruleFieldRow_);
    addRule_ = new TextRowButton(tr("+ Regel hinzufügen"));
    rulesCard_->addRow(addRule_);
    layout->addWidget(rulesCard_);
    layout->addWidget(
        new Footnote(tr("Regeln gelten immer – auch wenn eine Anweisung im Panel kürzer gefasst "
                        "ist.")));

    layout->addWidget(new SectionTitle(tr("Schreibt wie du")));
    auto* learnCard = new SettingsCard;
    learnCard->addRow(
        new SettingsRow(tr("Meinen Stil lernen"),
                        tr("Aus deinen Diktaten, Beispieltexten und Korrekturen an Entwürfen"),
                        SettingsBindings::makeSwitch(store, &AssistantSettings::learnStyle)));
    layout->addWidget(learnCard);
    learnedBlock_ = new QWidget;
    auto* learnedLayout = new QVBoxLayout(learnedBlock_);
    learnedLayout->setContentsMargins(0, 8, 0, 0);
    learnedLayout->setSpacing(0);
    learnedLayout->addWidget(learnedCard());
    learnedLayout->addWidget(
        new Footnote(tr("Tavrin frischt die Beschreibung von selbst auf. Du kannst sie "
                        "jederzeit ändern – deine Fassung gilt.")));
    layout->addWidget(learnedBlock_);

    connect(addRule_, &TextRowButton::clicked, this, &StyleSettings::pressAddRule);
    connect(ruleField_, &QLineEdit::returnPressed, this, &StyleSettings::commitRule);
    connect(&store, &SettingsStore::settingsChanged, this, &StyleSettings::showSettings);
    connect(&coordinator_.memory(), &MemoryStore::dataChanged, this, &StyleSettings::showCount);
    showSettings();
    showCount();
}

QWidget* StyleSettings::toneCard() {
    SettingsStore& store = coordinator_.settings();
    auto* card = new CardBox;
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(12);
    auto* chips = new QHBoxLayout;
    chips->setSpacing(8);
    for (const TonePreset preset : allTonePresets()) {
        auto* chip = new ToneChip(preset);
        chips_.append(chip);
        chips->addWidget(chip);
        connect(chip, &ToneChip::clicked, this, [&store, preset] {
            store.update([&](AssistantSettings& s) {
                // A preset stored twice goes with one tap; a new one joins at the end.
                if (s.tonePresets.contains(preset))
                    s.tonePresets.removeAll(preset);
                else
                    s.tonePresets.append(preset);
            });
        });
    }
    chips->addStretch(1);
    layout->addLayout(chips);
    tone_ = new SettingsTextEditor(SettingsTextEditor::Look::filled, 76, DS::Font::body());
    SettingsBindings::bind(tone_, store, &AssistantSettings::tone);
    layout->addWidget(tone_);
    return card;
}

QWidget* StyleSettings::learnedCard() {
    SettingsStore& store = coordinator_.settings();
    auto* card = new CardBox;
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->addWidget(
        new WrappingLabel(tr("So schreibst du"), semiboldFootnote(), DS::Palette::secondary));
    header->addStretch(1);
    count_ = new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::tertiary);
    header->addWidget(count_);
    layout->addLayout(header);

    learned_ = new SettingsTextEditor(SettingsTextEditor::Look::filled, 110, DS::Font::body());
    SettingsBindings::bind(learned_, store, &AssistantSettings::learnedStyle);
    auto* placeholderText = new WrappingLabel(
        tr("Noch nichts gelernt. Diktiere ein paar Nachrichten oder füge unten eigene Texte ein."),
        DS::Font::body(), DS::Palette::tertiary);
    // Clicks go through to the editor below.
    placeholderText->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* placeholder = new QWidget;
    placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* placeholderLayout = new QVBoxLayout(placeholder);
    placeholderLayout->setContentsMargins(15, 15, 15, 15);
    placeholderLayout->addWidget(placeholderText);
    placeholderLayout->addStretch(1);
    placeholder_ = placeholder;
    auto* stack = new QGridLayout;
    stack->addWidget(learned_, 0, 0);
    stack->addWidget(placeholder, 0, 0);
    layout->addLayout(stack);

    layout->addWidget(new WrappingLabel(tr("Eigene Beispieltexte (optional)"), semiboldFootnote(),
                                        DS::Palette::secondary));
    examples_ = new SettingsTextEditor(SettingsTextEditor::Look::filled, 90, DS::Font::body());
    SettingsBindings::bind(examples_, store, &AssistantSettings::styleExamples);
    layout->addWidget(examples_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    learn_ = new StyledButton(tr("Jetzt lernen"), ButtonStyle::secondary(26, 7));
    reset_ = new StyledButton(tr("Zurücksetzen"), ButtonStyle::quiet());
    buttons->addWidget(learn_);
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    learnNote_ = new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::secondary);
    learnNote_->hide();
    layout->addWidget(learnNote_);

    connect(learn_, &StyledButton::clicked, this, &StyleSettings::startLearning);
    connect(reset_, &StyledButton::clicked, this, [this] {
        coordinator_.settings().update([](AssistantSettings& s) { s.learnedStyle.clear(); });
        coordinator_.memory().clearStyleSignals();
    });
    return card;
}

void StyleSettings::showSettings() {
    const AssistantSettings& settings = coordinator_.settings().settings();
    for (ToneChip* chip : std::as_const(chips_))
        chip->setSelected(settings.tonePresets.contains(chip->preset()));
    learnedBlock_->setVisible(settings.learnStyle);
    placeholder_->setVisible(settings.learnedStyle.trimmed().isEmpty());
    showRules();
}

void StyleSettings::showRules() {
    const QStringList& rules = coordinator_.settings().settings().rules;
    if (rulesShown_ && rules == shownRules_)
        return;
    rulesShown_ = true;
    shownRules_ = rules;
    for (QWidget* row : std::as_const(ruleRowWidgets_))
        rulesCard_->removeRow(row);
    ruleRowWidgets_.clear();
    ruleRemoves_.clear();
    for (qsizetype index = 0; index < rules.size(); ++index) {
        auto* content = new QHBoxLayout;
        content->setSpacing(12);
        content->addWidget(new WrappingLabel(rules[index], DS::Font::body(), DS::Palette::label),
                           1);
        auto* remove = new MinusButton(tr("Regel entfernen"));
        content->addWidget(remove, 0, Qt::AlignVCenter);
        QWidget* row = insetRow(content);
        rulesCard_->insertRow(index, row);
        ruleRowWidgets_.append(row);
        ruleRemoves_.append(remove);
        connect(remove, &MinusButton::clicked, this, [this, index, shown = rules] {
            coordinator_.settings().update([&](AssistantSettings& s) {
                // Rows are told apart only by their place (two rules may read the same), so a
                // row speaks for the list it was built from: once that list has changed, a
                // late click from it would hit another row's rule.
                if (s.rules == shown && index < s.rules.size())
                    s.rules.removeAt(index);
            });
        });
    }
    rulesCard_->update();
}

void StyleSettings::showCount() {
    count_->setText(tr("%n Beispiele gesammelt", nullptr,
                       int(coordinator_.memory().data().styleSignals.size())));
}

void StyleSettings::pressAddRule() {
    if (addingRule_) {
        commitRule();
        return;
    }
    addingRule_ = true;
    ruleFieldRow_->show();
    addRule_->setText(tr("Übernehmen"));
    ruleField_->setFocus(Qt::OtherFocusReason);
}

void StyleSettings::commitRule() {
    const QString rule = ruleField_->text().trimmed();
    if (!rule.isEmpty())
        coordinator_.settings().update([&](AssistantSettings& s) { s.rules.append(rule); });
    // An empty entry simply closes the field.
    ruleField_->clear();
    addingRule_ = false;
    ruleFieldRow_->hide();
    addRule_->setText(tr("+ Regel hinzufügen"));
}

void StyleSettings::startLearning() {
    setLearning(true);
    learnNote_->hide();
    // The tab may be gone (another tab chosen, the window closed) when the run ends.
    coordinator_.learnStyleNow(
        [self = QPointer<StyleSettings>(this)](const std::optional<QString>& notLearned) {
            if (!self)
                return;
            self->setLearning(false);
            // The button answers even when it could not learn: with why.
            self->learnNote_->setText(notLearned.value_or(QString()));
            self->learnNote_->setVisible(notLearned.has_value());
        });
}

void StyleSettings::setLearning(bool learning) {
    learning_ = learning;
    learn_->setLabelText(learning ? tr("Lernt …") : tr("Jetzt lernen"));
    learn_->setEnabled(!learning);
}
