#include "SettingsWindow/Tabs/MemorySettings.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/StyledButton.h"
#include "Memory/MemoryStore.h"
#include "Platform/Clock.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Blocks/MinusButton.h"
#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsBindings.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/MemoryEntryRow.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

MemorySettings::MemorySettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent),
      coordinator_(coordinator),
      retention_(new ValuePicker),
      historyCard_(new SettingsCard),
      clearRow_(new QWidget),
      clearHistory_(new StyledButton(tr("Verlauf löschen"), ButtonStyle::quiet())),
      savedCard_(new SettingsCard),
      noteRow_(new QWidget),
      note_(new QLineEdit),
      remember_(new StyledButton(tr("Merken"), ButtonStyle::secondary(24, 7))) {
    SettingsStore& store = coordinator_.settings();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(new SectionTitle(tr("Verlauf")));
    for (const MemoryRetention retention : allMemoryRetentions())
        retention_->addValue(title(retention), rawValue(retention));
    historyCard_->addRow(new SettingsRow(
        tr("Merken, was du ansiehst und schreibst"),
        tr("Dann klappt z. B. „Mach den Black-Friday-Post von eben für Discord persönlicher.“"),
        retention_));
    auto* clearLayout = new QHBoxLayout(clearRow_);
    clearLayout->setContentsMargins(10, 8, 10, 8);
    clearLayout->addStretch(1);
    clearLayout->addWidget(clearHistory_);
    clearLayout->addStretch(1);
    historyCard_->addRow(clearRow_);
    layout->addWidget(historyCard_);

    layout->addWidget(new SectionTitle(tr("Gemerkt")));
    savedCard_->addRow(new SettingsRow(
        tr("„Merk dir …“ verstehen"),
        tr("Im Panel oder per Diktat: „Merk dir: Rabattcode ist KW47“. Bleibt, bis du es "
           "löschst."),
        SettingsBindings::makeSwitch(store, &AssistantSettings::savedMemoriesEnabled)));
    auto* noteLayout = new QHBoxLayout(noteRow_);
    noteLayout->setContentsMargins(14, 10, 14, 10);
    noteLayout->setSpacing(8);
    note_->setPlaceholderText(tr("Neu, z. B. „Mein Shop schließt freitags um 14 Uhr“"));
    note_->setFrame(false);
    note_->setFont(DS::Font::body());
    noteLayout->addWidget(note_, 1);
    noteLayout->addWidget(remember_);
    savedCard_->addRow(noteRow_);
    layout->addWidget(savedCard_);
    layout->addWidget(new Footnote(
        tr("Tavrin merkt sich nur, was du ansiehst, während du es aufrufst – kein Mitschneiden im "
           "Hintergrund. Erinnerungen liegen nur auf deinem Rechner; bei einer Anfrage gehen die "
           "passenden mit an deine KI.")));

    connect(retention_, &ValuePicker::picked, this, [this](const QString& raw) {
        // Choosing a retention only writes it; the list follows at once, pruning waits for
        // the tab's next appearance.
        if (const auto retention = memoryRetentionFromRaw(raw))
            coordinator_.settings().update(
                [&](AssistantSettings& s) { s.activityMemory = *retention; });
    });
    connect(clearHistory_, &StyledButton::clicked, this,
            [this] { coordinator_.memory().clearActivity(); });
    connect(note_, &QLineEdit::returnPressed, this, &MemorySettings::add);
    connect(remember_, &StyledButton::clicked, this, &MemorySettings::add);
    connect(note_, &QLineEdit::textChanged, this, &MemorySettings::updateRememberButton);
    connect(&store, &SettingsStore::settingsChanged, this, &MemorySettings::showEntries);
    connect(&coordinator_.memory(), &MemoryStore::dataChanged, this, &MemorySettings::showEntries);
    showEntries();
    updateRememberButton();
}

QList<MemoryEntry> MemorySettings::recentActivity(const QList<MemoryEntry>& activity,
                                                  MemoryRetention retention, const QDateTime& now) {
    const QDateTime cutoff = MemoryStore::cutoff(retention, now);
    QList<MemoryEntry> recent;
    for (const MemoryEntry& entry : activity)
        if (entry.date >= cutoff)
            recent.append(entry);
    if (recent.size() > historyRows)
        recent = recent.mid(recent.size() - historyRows);
    std::reverse(recent.begin(), recent.end());
    return recent;
}

void MemorySettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        coordinator_.memory().prune(coordinator_.settings().settings().activityMemory);
}

void MemorySettings::showEntries() {
    const AssistantSettings& settings = coordinator_.settings().settings();
    const MemoryStore::Data& data = coordinator_.memory().data();
    retention_->setValue(rawValue(settings.activityMemory));

    for (MemoryEntryRow* row : std::as_const(history_))
        historyCard_->removeRow(row);
    history_.clear();
    const QList<MemoryEntry> recent =
        recentActivity(data.activity, settings.activityMemory, coordinator_.clock().now());
    for (const MemoryEntry& entry : recent) {
        auto* row = new MemoryEntryRow(entry);
        // After the retention row, before "Verlauf löschen".
        historyCard_->insertRow(1 + history_.size(), row);
        history_.append(row);
        const QUuid id = entry.id;
        connect(row->forgetButton(), &MinusButton::clicked, this,
                [this, id] { coordinator_.memory().forget(id); });
    }
    clearRow_->setVisible(!recent.isEmpty());

    for (MemoryEntryRow* row : std::as_const(saved_))
        savedCard_->removeRow(row);
    saved_.clear();
    if (settings.savedMemoriesEnabled) {
        for (auto entry = data.saved.crbegin(); entry != data.saved.crend(); ++entry) {
            auto* row = new MemoryEntryRow(*entry);
            savedCard_->insertRow(1 + saved_.size(), row);
            saved_.append(row);
            const QUuid id = entry->id;
            connect(row->forgetButton(), &MinusButton::clicked, this,
                    [this, id] { coordinator_.memory().forget(id); });
        }
    }
    noteRow_->setVisible(settings.savedMemoriesEnabled);
    historyCard_->update();
    savedCard_->update();
}

void MemorySettings::add() {
    const QString note = note_->text().trimmed();
    // A blank note is never kept, and the field keeps what was typed.
    if (note.isEmpty())
        return;
    coordinator_.memory().remember(note, std::nullopt);
    note_->clear();
}

void MemorySettings::updateRememberButton() {
    remember_->setEnabled(!note_->text().trimmed().isEmpty());
}
