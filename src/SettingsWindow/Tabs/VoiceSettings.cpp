#include "SettingsWindow/Tabs/VoiceSettings.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QLocale>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Blocks/ChoiceRow.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "SettingsWindow/Blocks/SectionTitle.h"
#include "SettingsWindow/Blocks/SettingsBindings.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "SettingsWindow/Tabs/PushToTalkKeyMenu.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

using SettingsBindings::makeSwitch;

VoiceSettings::VoiceSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator) {
    SettingsStore& store = coordinator_.settings();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addSpacing(4);
    auto* enable = new SettingsCard;
    enable->addRow(new SettingsRow(tr("Spracheingabe"), tr("Anweisungen diktieren statt tippen"),
                                   makeSwitch(store, &AssistantSettings::dictationEnabled)));
    layout->addWidget(enable);

    dependent_ = new QWidget;
    auto* group = new QVBoxLayout(dependent_);
    group->setContentsMargins(0, 0, 0, 0);
    group->setSpacing(0);
    group->addWidget(new SectionTitle(tr("Engine")));
    auto* engines = new SettingsCard;
    engines->addRow(makeEngineRow(DictationEngine::appleOnDevice,
                                  tr("Offline-Erkennung · auf diesem Rechner"),
                                  tr("Schnell, ohne Einrichtung")));
    engines->addRow(makeEngineRow(DictationEngine::whisperLocal, tr("Whisper · lokal"),
                                  tr("Genauer bei gemischten Sprachen, läuft komplett offline")));
    group->addWidget(engines);

    group->addWidget(new SectionTitle(tr("Bedienung")));
    auto* operation = new SettingsCard;
    operation->addRow(new SettingsRow(
        tr("Diktieren mit dem Shortcut"),
        tr("Kurz drücken öffnet das Panel, gedrückt halten diktiert direkt ins aktive Feld. "
           "„… schreib das auf Englisch“ übersetzt vorher."),
        makeSwitch(store, &AssistantSettings::holdToDictate)));
    operation->addRow(new SettingsRow(
        tr("Intelligent formatieren"),
        tr("Längere Diktate bekommen Absätze und Aufzählungen. „Nur diktieren“ bleibt immer "
           "wörtlich."),
        makeSwitch(store, &AssistantSettings::smartFormatting)));
    operation->addRow(new SettingsRow(tr("Im Panel zum Sprechen halten"),
                                      tr("Gedrückt halten, loslassen übernimmt"),
                                      new PushToTalkKeyMenu(store)));
    languagePicker_ = new ValuePicker;
    // "auto" follows the user's locale; the others are locale names.
    languagePicker_->addValue(tr("Automatisch"), QStringLiteral("auto"));
    languagePicker_->addDivider();
    languagePicker_->addValue(tr("Deutsch"), QStringLiteral("de-DE"));
    languagePicker_->addValue(tr("Englisch"), QStringLiteral("en-US"));
    languagePicker_->addValue(tr("Italienisch"), QStringLiteral("it-IT"));
    SettingsBindings::bind(languagePicker_, store, &AssistantSettings::dictationLanguage);
    languageRow_ = new SettingsRow(tr("Erkennungssprache"), std::nullopt, languagePicker_);
    operation->addRow(languageRow_);
    group->addWidget(operation);
    group->addWidget(
        new Footnote(tr("Im Panel auf das Mikrofon klicken oder die Taste halten. "
                        "Beim Loslassen schreibe ich direkt los.")));
    dependent_->setGraphicsEffect(new QGraphicsOpacityEffect(dependent_));
    layout->addWidget(dependent_);

    connect(&store, &SettingsStore::settingsChanged, this, &VoiceSettings::showSettings);
    showSettings();
}

ChoiceRow* VoiceSettings::engineRow(DictationEngine engine) const {
    for (const auto& [rowEngine, row] : engineRows_) {
        if (rowEngine == engine)
            return row;
    }
    return nullptr;
}

ChoiceRow* VoiceSettings::makeEngineRow(DictationEngine engine, const QString& title,
                                        const QString& subtitle) {
    auto* texts = new QWidget;
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(new WrappingLabel(title, DS::Font::body(), DS::Palette::label));
    column->addWidget(new WrappingLabel(subtitle, DS::Font::footnote(), DS::Palette::secondary));

    QWidget* trailing = nullptr;
    if (engine == DictationEngine::whisperLocal) {
        // The engine can be chosen ahead of its model; the button says what happens until
        // the model can be loaded.
        auto* load = new StyledButton(tr("Modell laden …"), ButtonStyle::secondary(26, 7));
        load->setEnabled(false);
        load->setToolTip(
            tr("Whisper kommt in einem der nächsten Builds. Bis dahin nutzt die App "
               "die Offline-Erkennung."));
        trailing = load;
    }
    auto* row = new ChoiceRow(texts, trailing);
    connect(row, &ChoiceRow::chosen, this, [this, engine] {
        coordinator_.settings().update([engine](auto& s) { s.dictationEngine = engine; });
    });
    engineRows_.append({engine, row});
    return row;
}

void VoiceSettings::showSettings() {
    const AssistantSettings& settings = coordinator_.settings().settings();
    for (const auto& [engine, row] : engineRows_)
        row->setSelected(settings.dictationEngine == engine);
    dependent_->setEnabled(settings.dictationEnabled);
    static_cast<QGraphicsOpacityEffect*>(dependent_->graphicsEffect())
        ->setOpacity(settings.dictationEnabled ? 1.0 : 0.5);
    languageRow_->setSubtitle(
        missingModelNote(coordinator_.recognition(settings.dictationLanguage)));
}

void VoiceSettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A model may have been installed since.
    showSettings();
}

namespace {

// "de_DE", "de-de", "de" → "de"; empty for the C locale, which names no language.
QString languageCode(const QString& locale) {
    const QString code = locale.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0);
    const QString lower = code.toLower();
    return lower == QLatin1String("c") || lower == QLatin1String("posix") ? QString() : lower;
}

// The language's German name, as the picker names it; another one by its own name.
QString languageName(const QString& code) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("VoiceSettings", text);
    };
    if (code == QLatin1String("de"))
        return tr("Deutsch");
    if (code == QLatin1String("en"))
        return tr("Englisch");
    if (code == QLatin1String("it"))
        return tr("Italienisch");
    if (code == QLatin1String("fr"))
        return tr("Französisch");
    if (code == QLatin1String("es"))
        return tr("Spanisch");
    const QString native = QLocale(code).nativeLanguageName();
    return native.isEmpty() ? code : native;
}

}  // namespace

std::optional<QString> VoiceSettings::missingModelNote(
    const SettingsCoordinator::Recognition& recognition) {
    const QString wanted = languageCode(recognition.wanted);
    const std::optional<QString> model =
        recognition.model ? std::optional(languageCode(*recognition.model)) : std::nullopt;
    if (model && *model == wanted)
        return std::nullopt;
    const QString name = wanted.isEmpty() ? tr("die Systemsprache") : languageName(wanted);
    QString note =
        model
            ? tr("Für %1 ist kein Sprachmodell installiert, darum erkenne ich %2.")
                  .arg(name, model->isEmpty() ? *recognition.model : languageName(*model))
            : tr("Für %1 ist kein Sprachmodell installiert, darum geht Diktieren nicht.").arg(name);
    if (!wanted.isEmpty())
        note += QLatin1Char(' ') +
                tr("Dafür braucht es ein pocketsphinx-Modell in /usr/share/pocketsphinx/model/%1.")
                    .arg(wanted);
    return note;
}
