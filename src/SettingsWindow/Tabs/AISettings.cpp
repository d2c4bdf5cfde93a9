#include "SettingsWindow/Tabs/AISettings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "AI/ProviderSetupServices.h"
#include "AI/ProviderStatusStore.h"
#include "Design/PrivacyNote.h"
#include "Design/StyledButton.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Blocks/ProviderSetupControl.h"
#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsBindings.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/ToolWatch.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"
#include "SettingsWindow/Tabs/ProviderRow.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

using SettingsBindings::makeSwitch;

AISettings::AISettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator), test_(new ConnectionTest(coordinator, this)) {
    SettingsStore& store = coordinator_.settings();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(new SectionTitle(tr("Anbieter")));
    auto* providers = new SettingsCard;
    for (const ProviderID provider : allProviderIDs()) {
        auto* row = new ProviderRow(
            provider, coordinator_.providerSetup(),
            new ProviderSetupControl(provider, coordinator_.providerSetup(), false));
        connect(row, &ProviderRow::chosen, this, [this, provider] {
            coordinator_.settings().update([provider](auto& s) { s.provider = provider; });
        });
        providers->addRow(row);
        providerRows_.append(row);
    }
    layout->addWidget(providers);

    layout->addWidget(new SectionTitle(tr("Modell")));
    auto* modelControls = new QWidget;
    auto* modelLayout = new QHBoxLayout(modelControls);
    modelLayout->setContentsMargins(0, 0, 0, 0);
    claudeModel_ = new ValuePicker;
    claudeModel_->addValue(tr("Sonnet – schnell"), QStringLiteral("sonnet"));
    claudeModel_->addValue(tr("Haiku – am schnellsten"), QStringLiteral("haiku"));
    claudeModel_->addValue(tr("Opus – am stärksten"), QStringLiteral("opus"));
    claudeModel_->addValue(QStringLiteral("Fable"), QStringLiteral("fable"));
    SettingsBindings::bind(claudeModel_, store, &AssistantSettings::claudeModel);
    modelLayout->addWidget(claudeModel_);
    codexModel_ = new SettingsTextField(tr("Standard der Codex CLI"), 200);
    SettingsBindings::bind(codexModel_, store, &AssistantSettings::codexModel);
    modelLayout->addWidget(codexModel_);
    auto* model = new SettingsCard;
    model->addRow(new SettingsRow(tr("Modell"), std::nullopt, modelControls));
    testButton_ = new StyledButton(tr("Prüfen"), ButtonStyle::secondary(26, 7));
    connect(testButton_, &StyledButton::clicked, test_, &ConnectionTest::start);
    testRow_ = new SettingsRow(tr("Verbindung prüfen"), std::nullopt, testButton_);
    model->addRow(testRow_);
    layout->addWidget(model);
    layout->addWidget(new Footnote(tr("Für Kommentare und Chats reicht ein schnelles Modell.")));

    layout->addWidget(new SectionTitle(tr("Kontext")));
    auto* context = new SettingsCard;
    context->addRow(new SettingsRow(tr("Screenshot als Kontext mitsenden"),
                                    tr("Hilft bei Bildern, Threads und unklaren Feldern"),
                                    makeSwitch(store, &AssistantSettings::includeScreenshot)));
    context->addRow(new SettingsRow(tr("Über mich & Wissen mitsenden"), std::nullopt,
                                    makeSwitch(store, &AssistantSettings::includeKnowledge)));
    layout->addWidget(context);
    auto* privacy = new QWidget;
    auto* privacyLayout = new QVBoxLayout(privacy);
    privacyLayout->setContentsMargins(4, 8, 4, 0);
    privacyLayout->addWidget(new PrivacyNote(Qt::AlignLeft));
    layout->addWidget(privacy);

    layout->addWidget(new SectionTitle(tr("Programmpfade"), tr("leer = automatisch")));
    auto* paths = new SettingsCard;
    for (const ProviderID provider : allProviderIDs()) {
        auto* path = new SettingsTextField(tr("automatisch"), 260);
        SettingsBindings::bind(path, store,
                               provider == ProviderID::claudeCLI ? &AssistantSettings::claudePath
                                                                 : &AssistantSettings::codexPath);
        // Every keystroke is saved, but the tool is looked for again only once the path is
        // complete (Return, or leaving the field): its row must not go on showing what was
        // found at the old path.
        connect(path, &QLineEdit::editingFinished, this, [this, provider] {
            coordinator_.providers().refresh(provider, coordinator_.settings().settings());
        });
        auto* row = new SettingsRow(ProviderStatusStore::programName(provider), std::nullopt, path);
        paths->addRow(row);
        pathFields_.append(path);
        pathRows_.append(row);
    }
    layout->addWidget(paths);

    new ToolWatch(this, coordinator_.providers(), coordinator_.clock());
    connect(&store, &SettingsStore::settingsChanged, this, &AISettings::showSettings);
    connect(test_, &ConnectionTest::changed, this, &AISettings::showTest);
    connect(&coordinator_.providerSetup(), &ProviderSetupServices::changed, this,
            &AISettings::showPathNotes);
    showSettings();
    showTest();
    showPathNotes();
}

// The running test, a child, ends with the tab and stops its tool.
AISettings::~AISettings() = default;

ProviderRow* AISettings::providerRow(ProviderID provider) const {
    for (ProviderRow* row : providerRows_) {
        if (row->provider() == provider)
            return row;
    }
    return nullptr;
}

void AISettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    coordinator_.providers().refresh(coordinator_.settings().settings());
}

void AISettings::showSettings() {
    const AssistantSettings& settings = coordinator_.settings().settings();
    for (ProviderRow* row : providerRows_)
        row->setSelected(row->provider() == settings.provider);
    const bool codex = settings.provider == ProviderID::codexCLI;
    claudeModel_->setVisible(!codex);
    codexModel_->setVisible(codex);
}

void AISettings::showPathNotes() {
    // Said where the path is typed too: the tool's own row is far up the tab, out of view.
    for (const ProviderID provider : allProviderIDs()) {
        const QString note = coordinator_.providerSetup().state(provider).pathNote();
        pathRow(provider)->setSubtitle(note.isEmpty() ? std::nullopt : std::optional(note));
    }
}

void AISettings::showTest() {
    const bool running = test_->isRunning();
    testButton_->setLabelText(running ? tr("Prüfe …") : tr("Prüfen"));
    testButton_->setEnabled(!running);
    testRow_->setSubtitle(test_->result());
}
