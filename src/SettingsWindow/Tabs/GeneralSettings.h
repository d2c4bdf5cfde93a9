#pragma once

#include <QWidget>

class DictateOnlyRecorder;
class SettingsCoordinator;

namespace GlobalShortcuts {
class RecorderControl;
}
class SettingsRow;
class SwitchToggle;
class ValuePicker;

// The "Allgemein" tab: the two global shortcuts, updates, start at login, the tray icon, the
// language of the replies and what happens after an insertion.
class GeneralSettings : public QWidget {
    Q_OBJECT

public:
    explicit GeneralSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    // The version this program was built as; "–" when the build named none.
    static QString appVersion();

    GlobalShortcuts::RecorderControl* mainRecorder() const { return mainRecorder_; }
    DictateOnlyRecorder* dictateOnlyRecorder() const { return dictateOnly_; }
    ValuePicker* languagePicker() const { return languagePicker_; }
    SwitchToggle* loginSwitch() const { return loginSwitch_; }
    SettingsRow* trayRow() const { return trayRow_; }
    SettingsRow* sendRow() const { return sendRow_; }

private:
    QWidget* updatesRow();
    void showSubtitles();

    SettingsCoordinator& coordinator_;
    GlobalShortcuts::RecorderControl* mainRecorder_ = nullptr;
    DictateOnlyRecorder* dictateOnly_ = nullptr;
    ValuePicker* languagePicker_ = nullptr;
    SwitchToggle* loginSwitch_ = nullptr;
    SettingsRow* trayRow_ = nullptr;
    SettingsRow* sendRow_ = nullptr;
};
