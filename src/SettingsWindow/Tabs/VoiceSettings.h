#pragma once

#include <QWidget>
#include <optional>

#include "Settings/DictationEngine.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

class ChoiceRow;
class SettingsRow;
class ValuePicker;

// The "Spracheingabe" tab: voice input on or off, the recognition engine, how dictation is
// started, smart formatting and the language recognised.
class VoiceSettings : public QWidget {
    Q_OBJECT

public:
    explicit VoiceSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    // Everything below the first switch, which follows it.
    QWidget* dependentControls() const { return dependent_; }
    ChoiceRow* engineRow(DictationEngine engine) const;
    ValuePicker* languagePicker() const { return languagePicker_; }
    SettingsRow* languageRow() const { return languageRow_; }

    // What the language row says when no installed speech model speaks the language asked
    // for: what dictation does instead, and what that language needs. None when one does.
    static std::optional<QString> missingModelNote(
        const SettingsCoordinator::Recognition& recognition);

protected:
    void showEvent(QShowEvent* event) override;

private:
    ChoiceRow* makeEngineRow(DictationEngine engine, const QString& title, const QString& subtitle);
    void showSettings();

    SettingsCoordinator& coordinator_;
    QWidget* dependent_ = nullptr;
    QList<std::pair<DictationEngine, ChoiceRow*>> engineRows_;
    ValuePicker* languagePicker_ = nullptr;
    SettingsRow* languageRow_ = nullptr;
};
