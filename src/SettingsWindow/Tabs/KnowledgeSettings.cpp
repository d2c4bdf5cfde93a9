#include "SettingsWindow/Tabs/KnowledgeSettings.h"

#include <QVBoxLayout>

#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsBindings.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/NoteCard.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

KnowledgeSettings::KnowledgeSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent),
      aboutMe_(new NoteCard(150, tr("Wird bei jeder Antwort mitgeschickt"))),
      knowledge_(
          new NoteCard(250, tr("Markdown wird unterstützt · Überschriften gliedern das Wissen"))) {
    SettingsStore& store = coordinator.settings();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(
        new SectionTitle(tr("Über mich"), tr("Wer du bist, deine Firma, deine Produkte")));
    layout->addWidget(aboutMe_);
    layout->addWidget(new SectionTitle(
        tr("Wissen"), tr("Preise, Roadmap, FAQ, Links – worauf ich mich berufen darf")));
    layout->addWidget(knowledge_);
    // Stored as typed: no trimming, no limit.
    SettingsBindings::bind(aboutMe_->editor(), store, &AssistantSettings::aboutMe);
    SettingsBindings::bind(knowledge_->editor(), store, &AssistantSettings::knowledge);
}
