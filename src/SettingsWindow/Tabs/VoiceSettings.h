#pragma once

#include <QWidget>

#include "Settings/DictationEngine.h"

class ChoiceRow;
class SettingsCoordinator;
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

private:
    ChoiceRow* makeEngineRow(DictationEngine engine, const QString& title, const QString& subtitle);
    void showSettings();

    SettingsCoordinator& coordinator_;
    QWidget* dependent_ = nullptr;
    QList<std::pair<DictationEngine, ChoiceRow*>> engineRows_;
    ValuePicker* languagePicker_ = nullptr;
};
