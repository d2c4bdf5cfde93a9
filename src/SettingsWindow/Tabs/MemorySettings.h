#pragma once

#include <QDateTime>
#include <QList>
#include <QWidget>

#include "Memory/MemoryEntry.h"
#include "Settings/MemoryRetention.h"

class MemoryEntryRow;
class QLineEdit;
class SettingsCard;
class SettingsCoordinator;
class StyledButton;
class ValuePicker;

// The "Erinnerungen" tab: the recent activity with its retention, and the saved memories with
// a field for a new one.
class MemorySettings : public QWidget {
    Q_OBJECT

public:
    static constexpr qsizetype historyRows = 8;

    explicit MemorySettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    // The activity shown under `retention` at `now`: the newest eight within it, newest first.
    static QList<MemoryEntry> recentActivity(const QList<MemoryEntry>& activity,
                                             MemoryRetention retention, const QDateTime& now);

    ValuePicker* retentionPicker() const { return retention_; }
    QList<MemoryEntryRow*> historyRowsShown() const { return history_; }
    StyledButton* clearHistoryButton() const { return clearHistory_; }
    QList<MemoryEntryRow*> savedRows() const { return saved_; }
    QLineEdit* noteField() const { return note_; }
    StyledButton* rememberButton() const { return remember_; }
    QWidget* noteRow() const { return noteRow_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showEntries();
    void add();
    void updateRememberButton();

    SettingsCoordinator& coordinator_;
    ValuePicker* retention_;
    SettingsCard* historyCard_;
    QList<MemoryEntryRow*> history_;
    QWidget* clearRow_;
    StyledButton* clearHistory_;
    SettingsCard* savedCard_;
    QList<MemoryEntryRow*> saved_;
    QWidget* noteRow_;
    QLineEdit* note_;
    StyledButton* remember_;
};
