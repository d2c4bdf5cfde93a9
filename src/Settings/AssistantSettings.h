#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <optional>

#include "Actions/AssistantAction.h"
#include "Projects/Project.h"
#include "Settings/DictationEngine.h"
#include "Settings/MemoryRetention.h"
#include "Settings/ProviderID.h"
#include "Settings/PushToTalkKey.h"
#include "Settings/TonePreset.h"

// Every user setting. Read everywhere, written only through the settings store; its stored
// form is settings.json, one JSON object with a key per field, named like the field.
struct AssistantSettings {
    bool launchAtLogin = false;
    bool showMenuBarIcon = true;
    // "auto" answers in the language of the message; anything else names a fixed language.
    QString replyLanguage = QStringLiteral("auto");
    bool closePanelAfterInsert = true;
    bool sendAfterInsert = false;
    bool onboardingCompleted = false;
    ProviderID provider = ProviderID::claudeCLI;
    QString claudeModel = QStringLiteral("sonnet");
    // Empty: the tool's own default model.
    QString codexModel;
    // Empty: search for the tool.
    QString claudePath;
    QString codexPath;
    bool includeScreenshot = true;
    bool includeKnowledge = true;
    QString aboutMe;
    QString knowledge;
    QList<TonePreset> tonePresets{TonePreset::casual, TonePreset::short_};
    QString tone = defaultTone();
    QStringList rules;
    QList<Project> projects;
    QList<AssistantAction> customActions;
    bool dictationEnabled = true;
    bool holdToDictate = true;
    DictationEngine dictationEngine = DictationEngine::appleOnDevice;
    PushToTalkKey pushToTalkKey = PushToTalkKey::fn;
    // "auto" (the current locale) or a locale name such as "de-DE".
    QString dictationLanguage = QStringLiteral("auto");
    bool smartFormatting = true;
    bool undoAfterInsert = true;
    MemoryRetention activityMemory = MemoryRetention::today;
    bool savedMemoriesEnabled = true;
    bool learnStyle = true;
    QString learnedStyle;
    QString styleExamples;
    // Top-level keys of settings.json this version does not know, as they were read: written
    // back with the record, so that what a newer version stored survives this one.
    QJsonObject unknownKeys;

    // The default tone, looked up in the current language each time.
    static QString defaultTone();

    // The model name for `provider` without blanks at either end (line breaks stay);
    // none when nothing is left.
    std::optional<QString> model(ProviderID provider) const;

    // All keys, always, whatever their value, and the unknown ones.
    QJsonObject toJson() const;
    // settings.json's bytes: pretty-printed, keys sorted at every level.
    QByteArray encode() const;

    struct Decoded;
    // Tolerant reading: every key that is missing, null or unreadable keeps its default on
    // its own, and a list keeps the elements that read; keys it does not know are kept in
    // `unknownKeys`. A file cut short or damaged keeps every complete value before the fault
    // (JsonPrefix). Fails only when the top level is not a JSON object.
    static std::optional<Decoded> fromJson(const QJsonValue& value);
    static std::optional<Decoded> decode(const QByteArray& data);

    bool operator==(const AssistantSettings&) const = default;
};

struct AssistantSettings::Decoded {
    AssistantSettings settings;
    // Something stored (not null) was not read: a value whose field fell back to its
    // default, an element left out of a list, whatever stood after a cut. Saving over the
    // file would lose what the user entered.
    bool droppedUserData = false;
    // The bytes were not one well-formed object. Without droppedUserData only the file's end
    // was damaged (its closing brace missing, bytes after it): every value was read, yet the
    // file is not as written.
    bool damaged = false;
};
