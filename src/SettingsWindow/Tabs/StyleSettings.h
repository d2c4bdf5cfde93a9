#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class MinusButton;
class QLineEdit;
class TextRowButton;
class SettingsCard;
class SettingsCoordinator;
class SettingsTextEditor;
class StyledButton;
class ToneChip;
class WrappingLabel;

// The "Stil" tab: tone presets and a free tone description, fixed rules, and the learned
// writing style with the user's own examples.
class StyleSettings : public QWidget {
    Q_OBJECT

public:
    explicit StyleSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    QList<ToneChip*> chips() const { return chips_; }
    SettingsTextEditor* toneEditor() const { return tone_; }
    QList<MinusButton*> ruleRemoveButtons() const { return ruleRemoves_; }
    QLineEdit* ruleField() const { return ruleField_; }
    TextRowButton* addRuleButton() const { return addRule_; }
    // The learned-style card and its footnote, shown while learning is on.
    QWidget* learnedBlock() const { return learnedBlock_; }
    SettingsTextEditor* learnedEditor() const { return learned_; }
    QWidget* learnedPlaceholder() const { return placeholder_; }
    SettingsTextEditor* examplesEditor() const { return examples_; }
    WrappingLabel* signalCount() const { return count_; }
    StyledButton* learnButton() const { return learn_; }
    StyledButton* resetButton() const { return reset_; }
    // Why the last "Jetzt lernen" learned nothing; hidden after a run that did, and while one
    // runs.
    WrappingLabel* learnNote() const { return learnNote_; }

private:
    QWidget* toneCard();
    QWidget* learnedCard();
    void showSettings();
    void showRules();
    void showCount();
    void pressAddRule();
    void commitRule();
    void startLearning();
    void setLearning(bool learning);

    SettingsCoordinator& coordinator_;
    QList<ToneChip*> chips_;
    SettingsTextEditor* tone_ = nullptr;
    SettingsCard* rulesCard_ = nullptr;
    QList<QWidget*> ruleRowWidgets_;
    QList<MinusButton*> ruleRemoves_;
    QStringList shownRules_;
    bool rulesShown_ = false;
    QLineEdit* ruleField_ = nullptr;
    QWidget* ruleFieldRow_ = nullptr;
    TextRowButton* addRule_ = nullptr;
    bool addingRule_ = false;
    QWidget* learnedBlock_ = nullptr;
    SettingsTextEditor* learned_ = nullptr;
    QWidget* placeholder_ = nullptr;
    SettingsTextEditor* examples_ = nullptr;
    WrappingLabel* count_ = nullptr;
    StyledButton* learn_ = nullptr;
    StyledButton* reset_ = nullptr;
    WrappingLabel* learnNote_ = nullptr;
    bool learning_ = false;
};
