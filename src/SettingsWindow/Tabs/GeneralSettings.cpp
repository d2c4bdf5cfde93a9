#include "SettingsWindow/Tabs/GeneralSettings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/StyledButton.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "SettingsWindow/Blocks/ControlFrame.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsBindings.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/DictateOnlyRecorder.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"

using SettingsBindings::makeSwitch;

namespace {

// Shows and hides `follower` with the widget it watches, so the card drops the notice's row
// (its margins and dividers) while the notice has nothing to say.
class VisibilityFollower final : public QObject {
public:
    VisibilityFollower(QWidget* watched, QWidget* follower)
        : QObject(follower), follower_(follower) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent)
            follower_->show();
        else if (event->type() == QEvent::HideToParent)
            follower_->hide();
        return false;
    }

private:
    QWidget* follower_;
};

}  // namespace

GeneralSettings::GeneralSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator) {
    SettingsStore& store = coordinator_.settings();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(new SectionTitle(tr("Kurzbefehl")));
    auto* shortcuts = new SettingsCard;
    GlobalShortcuts::NamedShortcuts& named = coordinator_.shortcuts();
    mainRecorder_ = new GlobalShortcuts::RecorderControl(
        named, ShortcutNames::invokeAssistant(),
        [&named](const std::optional<GlobalShortcuts::Shortcut>& recorded) {
            // The main shortcut takes its combination from the dictate-only one, silently.
            if (recorded && named.getShortcut(ShortcutNames::dictateOnly()) == recorded)
                named.setShortcut(std::nullopt, ShortcutNames::dictateOnly());
        });
    ControlFrame::follow(mainRecorder_);
    shortcuts->addRow(
        new SettingsRow(tr("Tavrin öffnen"), tr("Klicken und neue Tasten drücken"), mainRecorder_));
    if (QWidget* notice = coordinator_.createShortcutConflictNotice()) {
        // A notice with nothing to say has been hidden on purpose; one that has not been shown
        // yet shows with its row.
        const bool silent =
            notice->isHidden() && notice->testAttribute(Qt::WA_WState_ExplicitShowHide);
        auto* frame = new QWidget;
        frame->setHidden(silent);
        new VisibilityFollower(notice, frame);
        auto* frameLayout = new QVBoxLayout(frame);
        frameLayout->setContentsMargins(10, 10, 10, 10);
        frameLayout->addWidget(notice);
        shortcuts->addRow(frame);
    }
    dictateOnly_ = new DictateOnlyRecorder(named);
    shortcuts->addRow(new SettingsRow(
        tr("Nur diktieren"),
        tr("Halten und sprechen – wird wörtlich eingefügt, ohne KI. Optional."), dictateOnly_));
    shortcuts->addRow(updatesRow());
    loginSwitch_ = makeSwitch(store, &AssistantSettings::launchAtLogin);
    shortcuts->addRow(new SettingsRow(tr("Beim Anmelden starten"), std::nullopt, loginSwitch_));
    trayRow_ = new SettingsRow(tr("Symbol in der Systemleiste"), std::nullopt,
                               makeSwitch(store, &AssistantSettings::showMenuBarIcon));
    shortcuts->addRow(trayRow_);
    layout->addWidget(shortcuts);

    layout->addWidget(new SectionTitle(tr("Antwortsprache")));
    languagePicker_ = new ValuePicker;
    languagePicker_->addValue(tr("Automatisch – wie die Nachricht"), QStringLiteral("auto"));
    languagePicker_->addDivider();
    // Stored as the language's own name, which the prompt names to the model.
    languagePicker_->addValue(tr("Deutsch"), QStringLiteral("Deutsch"));
    languagePicker_->addValue(tr("Englisch"), QStringLiteral("English"));
    languagePicker_->addValue(tr("Italienisch"), QStringLiteral("Italiano"));
    languagePicker_->addValue(tr("Französisch"), QStringLiteral("Français"));
    languagePicker_->addValue(tr("Spanisch"), QStringLiteral("Español"));
    SettingsBindings::bind(languagePicker_, store, &AssistantSettings::replyLanguage);
    auto* language = new SettingsCard;
    language->addRow(new SettingsRow(tr("Sprache"), std::nullopt, languagePicker_));
    layout->addWidget(language);
    layout->addWidget(
        new Footnote(tr("Ich antworte in der Sprache der erkannten Nachricht. "
                        "Alternativ fest: Deutsch, Englisch, Italienisch …")));

    layout->addWidget(new SectionTitle(tr("Nach dem Einfügen")));
    auto* insertion = new SettingsCard;
    insertion->addRow(
        new SettingsRow(tr("Panel schließen"), std::nullopt,
                        makeSwitch(store, &AssistantSettings::closePanelAfterInsert)));
    sendRow_ = new SettingsRow(tr("Senden selbst übernehmen"), std::nullopt,
                               makeSwitch(store, &AssistantSettings::sendAfterInsert));
    insertion->addRow(sendRow_);
    insertion->addRow(new SettingsRow(
        tr("Rückgängig anbieten"),
        tr("Nach dem Einfügen ein paar Sekunden lang, falls es im falschen Feld gelandet ist"),
        makeSwitch(store, &AssistantSettings::undoAfterInsert)));
    layout->addWidget(insertion);

    connect(&store, &SettingsStore::settingsChanged, this, &GeneralSettings::showSubtitles);
    showSubtitles();
}

QString GeneralSettings::appVersion() {
    const QString version = QStringLiteral(TAVRIN_VERSION);
    return version.isEmpty() ? QStringLiteral("–") : version;
}

QWidget* GeneralSettings::updatesRow() {
    // Packages bring new versions here; there is no updater to switch or to ask, so both
    // controls are shown but cannot be used.
    auto* controls = new QWidget;
    auto* layout = new QHBoxLayout(controls);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* automatic = new SwitchToggle;
    automatic->setEnabled(false);
    layout->addWidget(automatic, 0, Qt::AlignVCenter);
    auto* check = new StyledButton(tr("Jetzt suchen"), ButtonStyle::secondary(26, 7));
    check->setEnabled(false);
    layout->addWidget(check, 0, Qt::AlignVCenter);
    return new SettingsRow(
        tr("Updates"), tr("Version %1 · Updates kommen über die Paketverwaltung").arg(appVersion()),
        controls);
}

void GeneralSettings::showSubtitles() {
    const AssistantSettings& settings = coordinator_.settings().settings();
    trayRow_->setSubtitle(
        settings.showMenuBarIcon
            ? std::nullopt
            : std::optional(tr("Einstellungen öffnest du dann, indem du Tavrin noch einmal "
                               "startest")));
    sendRow_->setSubtitle(settings.sendAfterInsert
                              ? tr("Ich drücke nach dem Einfügen ⏎ und schicke ab – nicht "
                                   "im Terminal, dort liefe der Text als Befehl")
                              : tr("Ich füge nur ein, abschicken tust du"));
}
