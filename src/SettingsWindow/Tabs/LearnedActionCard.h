#pragma once

#include <QWidget>

#include "Actions/AssistantAction.h"

class SettingsStore;
class SettingsTextEditor;
class SettingsTextField;
class StyledButton;
class WrappingLabel;

// The editor of one learned action: name, occasion, instructions and, for commands and links,
// the template. It edits the action at its position in the list, as long as that position
// still holds an action with its id. A command template that every run would refuse carries a
// line saying so under it, as long as it stays that way.
class LearnedActionCard : public QWidget {
    Q_OBJECT

public:
    LearnedActionCard(SettingsStore& store, qsizetype index, const AssistantAction& action,
                      QWidget* parent = nullptr);

    // Shows `action`'s texts (the stored ones may have changed elsewhere).
    void display(const AssistantAction& action);

    SettingsTextField* nameField() const { return name_; }
    SettingsTextEditor* triggerField() const { return trigger_; }
    SettingsTextEditor* instructionsField() const { return instructions_; }
    // None for the GitHub kinds.
    SettingsTextEditor* templateField() const { return template_; }
    StyledButton* deleteButton() const { return delete_; }
    // The line under a command template that every run would refuse; none for other kinds.
    QWidget* refusalLine() const { return refusalLine_; }
    WrappingLabel* refusalText() const { return refusalText_; }
    // The rows' titles in order, for the tests.
    QStringList rowTitles() const { return rowTitles_; }

private:
    template <typename Edit>
    void edit(Edit&& edit);
    void remove();

    SettingsStore& store_;
    qsizetype index_;
    QString id_;
    SettingsTextField* name_;
    SettingsTextEditor* trigger_;
    SettingsTextEditor* instructions_;
    SettingsTextEditor* template_ = nullptr;
    QWidget* refusalLine_ = nullptr;
    WrappingLabel* refusalText_ = nullptr;
    StyledButton* delete_;
    QStringList rowTitles_;
};
