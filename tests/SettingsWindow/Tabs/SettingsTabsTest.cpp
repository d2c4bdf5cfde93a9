#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "Design/StyledButton.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/linux/XdgAutostartLoginItem.h"
#include "SettingsWindow/Blocks/ChoiceRow.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/AISettings.h"
#include "SettingsWindow/Tabs/DictateOnlyRecorder.h"
#include "SettingsWindow/Tabs/GeneralSettings.h"
#include "SettingsWindow/Tabs/ProviderRow.h"
#include "SettingsWindow/Tabs/PushToTalkKeyMenu.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"
#include "SettingsWindow/Tabs/VoiceSettings.h"
#include "support/ScopedEnv.h"

using GlobalShortcuts::Key;
using GlobalShortcuts::Modifier;
using GlobalShortcuts::Shortcut;

namespace {

// Chooses the entry labelled `label` as the user would.
void pick(ValuePicker* picker, const QString& label) {
    const int index = picker->findText(label);
    ASSERT_GE(index, 0) << label.toStdString();
    picker->setCurrentIndex(index);
    emit picker->activated(index);
}

struct PickerCase {
    const char* name;
    std::function<ValuePicker*(SettingsCoordinator&, QWidget*&)> open;
    QString AssistantSettings::*field;
    const char* label;
    const char* stored;
};

const PickerCase pickerCases[] = {
    {"reply language",
     [](SettingsCoordinator& c, QWidget*& tab) {
         auto* general = new GeneralSettings(c);
         tab = general;
         return general->languagePicker();
     },
     &AssistantSettings::replyLanguage, "Französisch", "Français"},
    {"reply language auto",
     [](SettingsCoordinator& c, QWidget*& tab) {
         auto* general = new GeneralSettings(c);
         tab = general;
         return general->languagePicker();
     },
     &AssistantSettings::replyLanguage, "Automatisch – wie die Nachricht", "auto"},
    {"dictation language",
     [](SettingsCoordinator& c, QWidget*& tab) {
         auto* voice = new VoiceSettings(c);
         tab = voice;
         return voice->languagePicker();
     },
     &AssistantSettings::dictationLanguage, "Englisch", "en-US"},
    {"claude model",
     [](SettingsCoordinator& c, QWidget*& tab) {
         auto* ai = new AISettings(c);
         tab = ai;
         return ai->claudeModelPicker();
     },
     &AssistantSettings::claudeModel, "Opus – am stärksten", "opus"},
};

}  // namespace

TEST(SettingsTabsTest, PickersStoreTheirValueAndLeaveUnknownOnesAlone) {
    for (const PickerCase& c : pickerCases) {
        // A value of a newer version or a hand edit: shown as no selection, kept as it is.
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update([&](auto& s) { s.*c.field = QStringLiteral("xx-unknown"); });
        const QByteArray before = coordinator.settingsFile();
        QWidget* tab = nullptr;
        ValuePicker* picker = c.open(coordinator, tab);
        std::unique_ptr<QWidget> owner(tab);
        EXPECT_EQ(picker->value(), std::nullopt) << c.name;
        EXPECT_EQ(coordinator.settingsFile(), before) << c.name;

        pick(picker, QString::fromUtf8(c.label));
        EXPECT_EQ(coordinator.settings().settings().*c.field, QString::fromUtf8(c.stored))
            << c.name;
        EXPECT_EQ(picker->value(), QString::fromUtf8(c.stored)) << c.name;
    }
}

TEST(SettingsTabsTest, LoginSwitchWritesAndRemovesTheAutostartEntry) {
    QTemporaryDir config;
    ScopedEnv env("XDG_CONFIG_HOME", config.path());
    Platform::XdgAutostartLoginItem loginItem(QStringLiteral("/usr/bin/tavrin"));
    FakeSettingsCoordinator coordinator(std::nullopt, &loginItem);
    GeneralSettings general(coordinator);
    const QString entry = loginItem.entryPath();
    ASSERT_TRUE(entry.startsWith(config.path()));
    EXPECT_FALSE(QFileInfo::exists(entry));

    QTest::mouseClick(general.loginSwitch(), Qt::LeftButton);
    EXPECT_TRUE(coordinator.settings().settings().launchAtLogin);
    EXPECT_TRUE(general.loginSwitch()->isChecked());
    EXPECT_TRUE(QFileInfo::exists(entry));

    QTest::mouseClick(general.loginSwitch(), Qt::LeftButton);
    EXPECT_FALSE(coordinator.settings().settings().launchAtLogin);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_TRUE(coordinator.log.lines.isEmpty()) << coordinator.log.lines.join('\n').toStdString();
}

// The conflict notice's row (its margins and dividers) goes and comes with the notice, so a
// desktop without a conflict shows no empty row under the main shortcut.
TEST(SettingsTabsTest, TheConflictNoticeRowFollowsTheNotice) {
    for (const bool silentAtFirst : {true, false}) {
        FakeSettingsCoordinator coordinator;
        QWidget* notice = nullptr;
        coordinator.conflictNotice = [&] {
            notice = new QWidget;
            if (silentAtFirst)
                notice->hide();
            return notice;
        };
        GeneralSettings general(coordinator);
        general.resize(600, 900);
        general.show();
        ASSERT_NE(notice, nullptr);
        QWidget* row = notice->parentWidget();
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->isVisible(), !silentAtFirst) << silentAtFirst;
        notice->setVisible(silentAtFirst);
        EXPECT_EQ(row->isVisible(), silentAtFirst) << silentAtFirst;
    }
}

TEST(SettingsTabsTest, SubtitlesFollowTheirSwitches) {
    FakeSettingsCoordinator coordinator;
    GeneralSettings general(coordinator);
    const struct {
        bool AssistantSettings::*field;
        SettingsRow* row;
        bool on;
        std::optional<QString> subtitle;
    } cases[] = {
        {&AssistantSettings::showMenuBarIcon, general.trayRow(), false,
         "Einstellungen öffnest du dann, indem du Tavrin noch einmal startest"},
        {&AssistantSettings::showMenuBarIcon, general.trayRow(), true, std::nullopt},
        {&AssistantSettings::sendAfterInsert, general.sendRow(), true,
         "Ich drücke nach dem Einfügen ⏎ und schicke ab – nicht im Terminal, dort liefe der Text "
         "als Befehl"},
        {&AssistantSettings::sendAfterInsert, general.sendRow(), false,
         "Ich füge nur ein, abschicken tust du"},
    };
    for (const auto& c : cases) {
        coordinator.settings().update([&](auto& s) { s.*c.field = c.on; });
        EXPECT_EQ(c.row->subtitle(), c.subtitle);
    }
}

TEST(SettingsTabsTest, VoiceControlsFollowTheMainSwitchAndRowsChooseTheEngine) {
    FakeSettingsCoordinator coordinator;
    VoiceSettings voice(coordinator);
    voice.resize(560, 800);
    voice.show();
    EXPECT_TRUE(voice.dependentControls()->isEnabled());

    coordinator.settings().update([](auto& s) { s.dictationEnabled = false; });
    EXPECT_FALSE(voice.dependentControls()->isEnabled());

    coordinator.settings().update([](auto& s) { s.dictationEnabled = true; });
    // The Whisper row is chosen by a click beside its (disabled) button.
    ChoiceRow* whisper = voice.engineRow(DictationEngine::whisperLocal);
    QTest::mouseClick(whisper, Qt::LeftButton, {}, QPoint(30, whisper->height() / 2));
    EXPECT_EQ(coordinator.settings().settings().dictationEngine, DictationEngine::whisperLocal);
    EXPECT_TRUE(whisper->isSelected());
    EXPECT_FALSE(voice.engineRow(DictationEngine::appleOnDevice)->isSelected());
}

// Where only the US English model is installed, choosing another language says at once what
// dictation does then and what that language needs, not only once dictation fails.
TEST(SettingsTabsTest, TheLanguageRowSaysWhatALanguageWithoutItsModelNeeds) {
    const QString needs =
        " Dafür braucht es ein pocketsphinx-Modell in /usr/share/pocketsphinx/model/";
    const struct {
        QString setting;
        SettingsCoordinator::Recognition recognition;
        std::optional<QString> note;
    } cases[] = {
        {"de-DE", {"de-DE", "de"}, std::nullopt},
        {"de-DE",
         {"de-DE", "en-us"},
         "Für Deutsch ist kein Sprachmodell installiert, darum erkenne ich Englisch." + needs +
             "de."},
        {"it-IT",
         {"it-IT", std::nullopt},
         "Für Italienisch ist kein Sprachmodell installiert, darum geht Diktieren nicht." + needs +
             "it."},
        // "auto" under LANG=C: the system names no language.
        {"auto",
         {"C", std::nullopt},
         "Für die Systemsprache ist kein Sprachmodell installiert, darum geht Diktieren nicht."},
        {"auto",
         {"C", "de"},
         "Für die Systemsprache ist kein Sprachmodell installiert, darum erkenne ich Deutsch."},
        {"auto", {"C", "C"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting.toStdString());
        FakeSettingsCoordinator coordinator;
        coordinator.speechModels = [&](const QString& setting) {
            return setting == c.setting ? c.recognition
                                        : SettingsCoordinator::Recognition{setting, setting};
        };
        VoiceSettings voice(coordinator);
        coordinator.settings().update([&](auto& s) { s.dictationLanguage = c.setting; });
        EXPECT_EQ(voice.languageRow()->subtitle(), c.note);
    }
}

TEST(SettingsTabsTest, PushToTalkClearMarkSwitchesTheKeyOff) {
    FakeSettingsCoordinator coordinator;
    PushToTalkKeyMenu menu(coordinator.settings());
    menu.resize(menu.sizeHint());
    menu.show();
    EXPECT_EQ(menu.text(), "fn");
    ASSERT_FALSE(menu.clearMarkRect().isEmpty());

    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.clearMarkRect().center().toPoint());
    EXPECT_EQ(coordinator.settings().settings().pushToTalkKey, PushToTalkKey::none);
    EXPECT_EQ(menu.text(), "Aus");
    EXPECT_TRUE(menu.clearMarkRect().isEmpty());
}

// The menu opens and leaves at once: the button that opened it can be deleted while it is
// open (the window rebuilds its tab), and the menu goes with the button, once.
TEST(SettingsTabsTest, PushToTalkMenuCanLoseItsButtonWhileOpen) {
    FakeSettingsCoordinator coordinator;
    auto* menu = new PushToTalkKeyMenu(coordinator.settings());
    menu->resize(menu->sizeHint());
    menu->show();
    QPointer<QWidget> opened;
    bool wasOpen = false;
    QTimer::singleShot(0, [&] {
        opened = QApplication::activePopupWidget();
        wasOpen = opened && opened->isVisible();
        delete menu;
    });
    QTest::mouseClick(menu, Qt::LeftButton, {}, QPoint(10, menu->height() / 2));
    QTest::qWait(20);
    EXPECT_TRUE(wasOpen);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(coordinator.settings().settings().pushToTalkKey, PushToTalkKey::fn);
}

TEST(SettingsTabsTest, ModelRowFollowsTheChosenProvider) {
    FakeSettingsCoordinator coordinator;
    AISettings ai(coordinator);
    ai.resize(560, 1000);
    ai.show();
    const struct {
        ProviderID provider;
        bool picker;
    } cases[] = {{ProviderID::codexCLI, false}, {ProviderID::claudeCLI, true}};
    for (const auto& c : cases) {
        QTest::mouseClick(ai.providerRow(c.provider), Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(coordinator.settings().settings().provider, c.provider);
        EXPECT_EQ(ai.claudeModelPicker()->isVisible(), c.picker);
        EXPECT_EQ(ai.codexModelField()->isVisible(), !c.picker);
    }
    // Typing saves at once; an empty field means the tool's default model.
    QTest::mouseClick(ai.providerRow(ProviderID::codexCLI), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::keyClicks(ai.codexModelField(), "o3");
    EXPECT_EQ(coordinator.settings().settings().codexModel, "o3");
    EXPECT_EQ(coordinator.settings().settings().model(ProviderID::codexCLI), "o3");
}

// The two global shortcuts never share a combination, and keeping them apart never takes the
// main one's grab away.
TEST(SettingsTabsTest, TheTwoRecordersNeverShareACombination) {
    FakeSettingsCoordinator coordinator;
    GlobalShortcuts::NamedShortcuts& keys = coordinator.keys.shortcuts;
    Platform::FakeHotKeyGrabber& grabber = coordinator.keys.grabber;
    GeneralSettings general(coordinator);
    general.resize(560, 700);
    general.show();
    general.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&general));
    GlobalShortcuts::RecorderControl* dictate = general.dictateOnlyRecorder()->recorder();
    const auto record = [](GlobalShortcuts::RecorderControl* recorder, Qt::Key key,
                           Qt::KeyboardModifiers modifiers) {
        recorder->clearFocus();
        recorder->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(recorder, key, modifiers);
    };
    const Shortcut altSpace(Key::space, Modifier::Option);
    const Shortcut controlAltK(Key::k, Modifier::Control | Modifier::Option);
    const Shortcut controlAltJ(Key::j, Modifier::Control | Modifier::Option);

    record(dictate, Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(keys.getShortcut(ShortcutNames::dictateOnly()), std::nullopt);
    EXPECT_TRUE(general.dictateOnlyRecorder()->showsClash());
    EXPECT_EQ(keys.getShortcut(ShortcutNames::invokeAssistant()), altSpace);
    EXPECT_TRUE(grabber.isGrabbed(altSpace.carbonKeyCode, altSpace.carbonModifiers));

    record(dictate, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(keys.getShortcut(ShortcutNames::dictateOnly()), controlAltK);
    EXPECT_FALSE(general.dictateOnlyRecorder()->showsClash());

    // Recorded for the main shortcut, the dictate-only combination moves over without a word.
    record(general.mainRecorder(), Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(keys.getShortcut(ShortcutNames::invokeAssistant()), controlAltK);
    EXPECT_EQ(keys.getShortcut(ShortcutNames::dictateOnly()), std::nullopt);
    EXPECT_FALSE(general.dictateOnlyRecorder()->showsClash());
    EXPECT_TRUE(grabber.isGrabbed(controlAltK.carbonKeyCode, controlAltK.carbonModifiers));
    EXPECT_FALSE(grabber.isGrabbed(altSpace.carbonKeyCode, altSpace.carbonModifiers));

    // The next refusal shows the message again; another combination takes it away.
    record(dictate, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(general.dictateOnlyRecorder()->showsClash());
    record(dictate, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(keys.getShortcut(ShortcutNames::dictateOnly()), controlAltJ);
    EXPECT_FALSE(general.dictateOnlyRecorder()->showsClash());
}

// No updater runs on Linux (packages bring new versions): its switch and button are shown
// but cannot be used, and the switch does not claim that checks happen.
TEST(SettingsTabsTest, UpdateControlsCannotBeUsed) {
    FakeSettingsCoordinator coordinator;
    GeneralSettings general(coordinator);
    StyledButton* check = nullptr;
    for (StyledButton* button : general.findChildren<StyledButton*>()) {
        if (button->text() == "Jetzt suchen")
            check = button;
    }
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->isEnabled());
    auto* automatic = check->parentWidget()->findChild<SwitchToggle*>();
    ASSERT_NE(automatic, nullptr);
    EXPECT_FALSE(automatic->isEnabled());
    EXPECT_FALSE(automatic->isChecked());
}
