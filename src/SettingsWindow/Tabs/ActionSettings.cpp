#include "SettingsWindow/Tabs/ActionSettings.h"

#include <QVBoxLayout>

#include "Actions/AssistantAction.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/SymbolLabel.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/LearnedActionCard.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

namespace {

QString kindSymbol(AssistantAction::Kind kind) {
    switch (kind) {
        case AssistantAction::Kind::githubIssue:
            return QStringLiteral("exclamationmark.circle");
        case AssistantAction::Kind::githubComment:
            return QStringLiteral("text.bubble");
        case AssistantAction::Kind::shell:
            return QStringLiteral("terminal");
        case AssistantAction::Kind::openURL:
            break;
    }
    return QStringLiteral("link");
}

}  // namespace

ActionSettings::ActionSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator), learned_(new QVBoxLayout) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Footnote(
        tr("Sag im Panel z. B. „Erstelle dafür ein Issue“. Ich bereite die Aktion vor, "
           "ausgeführt wird erst nach deinem Klick. Neue Aktionen lerne ich, wenn du sagst "
           "„Füge das als Aktion hinzu“.")));
    layout->addSpacing(6);
    layout->addWidget(new SectionTitle(tr("Eingebaut")));
    auto* builtIns = new SettingsCard;
    for (const AssistantAction& action : AssistantAction::builtIns()) {
        auto* symbol = new SymbolLabel(kindSymbol(action.kind), QString(), DS::Font::body(),
                                       DS::Palette::secondary);
        auto* row = new SettingsRow(action.displayName(), action.displayTrigger(), symbol);
        builtInRows_.append(row);
        builtIns->addRow(row);
    }
    layout->addWidget(builtIns);
    layout->addWidget(new SectionTitle(tr("Gelernt")));
    learned_->setContentsMargins(0, 0, 0, 0);
    learned_->setSpacing(0);
    layout->addLayout(learned_);

    connect(&coordinator_.settings(), &SettingsStore::settingsChanged, this,
            &ActionSettings::showLearned);
    showLearned();
}

void ActionSettings::showLearned() {
    const QList<AssistantAction> actions = coordinator_.settings().settings().customActions;
    QList<std::pair<QString, int>> shape;
    for (const AssistantAction& action : actions)
        shape.append({action.id, int(action.kind)});
    if (shape == shown_ && (emptyNote_ || !cards_.isEmpty())) {
        for (qsizetype i = 0; i < cards_.size(); ++i)
            cards_[i]->display(actions[i]);
        return;
    }
    shown_ = shape;
    for (LearnedActionCard* card : std::as_const(cards_)) {
        card->hide();
        card->deleteLater();
    }
    cards_.clear();
    if (emptyNote_) {
        emptyNote_->hide();
        emptyNote_->deleteLater();
        emptyNote_ = nullptr;
    }
    if (actions.isEmpty()) {
        emptyNote_ =
            new Footnote(tr("Noch keine. Mach etwas im Panel und sag dann „Füge das als "
                            "Aktion hinzu“."));
        learned_->addWidget(emptyNote_);
        return;
    }
    for (qsizetype i = 0; i < actions.size(); ++i) {
        auto* card = new LearnedActionCard(coordinator_.settings(), i, actions[i]);
        cards_.append(card);
        learned_->addWidget(card);
    }
}
