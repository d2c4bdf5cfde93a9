#pragma once

#include <QList>
#include <QWidget>

class LearnedActionCard;
class QVBoxLayout;
class SettingsCoordinator;
class SettingsRow;

// The "Aktionen" tab: the built-in actions, read-only, and an editor card for each learned
// one. Actions are not created here; the panel stores them.
class ActionSettings : public QWidget {
    Q_OBJECT

public:
    explicit ActionSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    QList<SettingsRow*> builtInRows() const { return builtInRows_; }
    QList<LearnedActionCard*> cards() const { return cards_; }
    // The note shown while there are no learned actions (none while there are).
    QWidget* emptyNote() const { return emptyNote_; }

private:
    void showLearned();

    SettingsCoordinator& coordinator_;
    QList<SettingsRow*> builtInRows_;
    QVBoxLayout* learned_;
    QWidget* emptyNote_ = nullptr;
    QList<LearnedActionCard*> cards_;
    // The ids and kinds the cards show, in order: while they stay the same, the cards stay
    // and only their texts follow (rebuilding would take the focus from the field typed in).
    QList<std::pair<QString, int>> shown_;
};
