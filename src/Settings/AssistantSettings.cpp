#include "Settings/AssistantSettings.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <type_traits>

#include "Storage/Blanks.h"
#include "Storage/JsonPrefix.h"
#include "Storage/StoredJson.h"

namespace {

// Every field with its key, in declaration order; the one list both directions share.
template <typename Settings, typename Visitor>
void visitFields(Settings& s, Visitor&& visit) {
    visit("launchAtLogin", s.launchAtLogin);
    visit("showMenuBarIcon", s.showMenuBarIcon);
    visit("replyLanguage", s.replyLanguage);
    visit("closePanelAfterInsert", s.closePanelAfterInsert);
    visit("sendAfterInsert", s.sendAfterInsert);
    visit("onboardingCompleted", s.onboardingCompleted);
    visit("provider", s.provider);
    visit("claudeModel", s.claudeModel);
    visit("codexModel", s.codexModel);
    visit("claudePath", s.claudePath);
    visit("codexPath", s.codexPath);
    visit("includeScreenshot", s.includeScreenshot);
    visit("includeKnowledge", s.includeKnowledge);
    visit("aboutMe", s.aboutMe);
    visit("knowledge", s.knowledge);
    visit("tonePresets", s.tonePresets);
    visit("tone", s.tone);
    visit("rules", s.rules);
    visit("projects", s.projects);
    visit("customActions", s.customActions);
    visit("dictationEnabled", s.dictationEnabled);
    visit("holdToDictate", s.holdToDictate);
    visit("dictationEngine", s.dictationEngine);
    visit("pushToTalkKey", s.pushToTalkKey);
    visit("dictationLanguage", s.dictationLanguage);
    visit("smartFormatting", s.smartFormatting);
    visit("undoAfterInsert", s.undoAfterInsert);
    visit("activityMemory", s.activityMemory);
    visit("savedMemoriesEnabled", s.savedMemoriesEnabled);
    visit("learnStyle", s.learnStyle);
    visit("learnedStyle", s.learnedStyle);
    visit("styleExamples", s.styleExamples);
}

std::optional<ProviderID> fromRaw(const QString& raw, ProviderID*) {
    return providerIDFromRaw(raw);
}
std::optional<MemoryRetention> fromRaw(const QString& raw, MemoryRetention*) {
    return memoryRetentionFromRaw(raw);
}
std::optional<DictationEngine> fromRaw(const QString& raw, DictationEngine*) {
    return dictationEngineFromRaw(raw);
}
std::optional<PushToTalkKey> fromRaw(const QString& raw, PushToTalkKey*) {
    return pushToTalkKeyFromRaw(raw);
}
std::optional<TonePreset> fromRaw(const QString& raw, TonePreset*) {
    return tonePresetFromRaw(raw);
}

// One stored value, alone or in a list: an enumeration by its raw value, a text as it is, a
// record by its own reading.
template <typename Value>
std::optional<Value> readValue(const QJsonValue& value) {
    if constexpr (std::is_enum_v<Value>)
        return value.isString() ? fromRaw(value.toString(), static_cast<Value*>(nullptr))
                                : std::nullopt;
    else if constexpr (std::is_same_v<Value, QString>)
        return value.isString() ? std::optional(value.toString()) : std::nullopt;
    else
        return Value::fromJson(value);
}

struct Writer {
    QJsonObject& object;

    void operator()(const char* key, bool value) { object.insert(QLatin1String(key), value); }
    void operator()(const char* key, const QString& value) {
        object.insert(QLatin1String(key), value);
    }
    template <typename Enum>
    requires std::is_enum_v<Enum>
    void operator()(const char* key, Enum value) {
        object.insert(QLatin1String(key), rawValue(value));
    }
    template <typename Element>
    void operator()(const char* key, const QList<Element>& list) {
        QJsonArray array;
        for (const Element& element : list) {
            if constexpr (std::is_enum_v<Element>)
                array.append(rawValue(element));
            else if constexpr (std::is_same_v<Element, QString>)
                array.append(element);
            else
                array.append(element.toJson());
        }
        object.insert(QLatin1String(key), array);
    }
};

// The key of every field.
const QStringList& storedKeys() {
    static const QStringList keys = [] {
        QStringList all;
        AssistantSettings settings;
        visitFields(settings, [&](const char* key, auto&) { all.append(QLatin1String(key)); });
        return all;
    }();
    return keys;
}

// The rules may also be stored as one text, a rule per line.
QStringList rulesFromText(const QString& text) {
    QStringList rules;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString rule = Blanks::trimmed(line);
        if (!rule.isEmpty())
            rules.append(rule);
    }
    return rules;
}

// Each reader leaves the field at its default unless its value reads; a list keeps the elements
// that read. A value that is there but cannot be read is noted: saving over the file would
// lose it.
struct Reader {
    const QJsonObject& object;
    bool droppedUserData = false;

    QJsonValue valueOf(const char* key) const { return object.value(QLatin1String(key)); }
    void unreadable(const QJsonValue& value) {
        if (!value.isUndefined() && !value.isNull())
            droppedUserData = true;
    }

    void operator()(const char* key, bool& field) {
        if (const QJsonValue value = valueOf(key); value.isBool())
            field = value.toBool();
        else
            unreadable(value);
    }
    void operator()(const char* key, QString& field) {
        if (const QJsonValue value = valueOf(key); value.isString())
            field = value.toString();
        else
            unreadable(value);
    }
    template <typename Enum>
    requires std::is_enum_v<Enum>
    void operator()(const char* key, Enum& field) {
        const QJsonValue value = valueOf(key);
        if (const auto parsed = readValue<Enum>(value))
            field = *parsed;
        else
            unreadable(value);
    }
    // A list is read element by element: one that does not read (an action of a kind this
    // version does not know, a project without its id) is left out, and the others stay.
    template <typename Element>
    QList<Element> elements(const QJsonArray& array) {
        QList<Element> list;
        for (const QJsonValue& element : array) {
            if (auto parsed = readValue<Element>(element))
                list.append(std::move(*parsed));
            else
                unreadable(element);
        }
        return list;
    }
    void operator()(const char* key, QStringList& field) {
        const QJsonValue value = valueOf(key);
        if (value.isArray()) {
            field = elements<QString>(value.toArray());
        } else if (value.isString()) {
            field = rulesFromText(value.toString());
        } else {
            field = QStringList();
            unreadable(value);
        }
    }
    template <typename Element>
    void operator()(const char* key, QList<Element>& field) {
        const QJsonValue value = valueOf(key);
        if (value.isArray())
            field = elements<Element>(value.toArray());
        else
            unreadable(value);
    }
};

}  // namespace

QString AssistantSettings::defaultTone() {
    return QCoreApplication::translate(
        "AssistantSettings",
        "Freundlich und auf Augenhöhe, ohne Floskeln. Lieber zwei klare Sätze als fünf.",
        "Default tone, editable by the user");
}

std::optional<QString> AssistantSettings::model(ProviderID provider) const {
    const QString& stored = provider == ProviderID::claudeCLI ? claudeModel : codexModel;
    QString trimmed = Blanks::trimmed(stored);
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

QJsonObject AssistantSettings::toJson() const {
    QJsonObject object = unknownKeys;
    visitFields(*this, Writer{object});
    return object;
}

QByteArray AssistantSettings::encode() const {
    // QJsonObject keeps its keys sorted, so every level comes out in alphabetical order.
    return QJsonDocument(toJson()).toJson(QJsonDocument::Indented);
}

std::optional<AssistantSettings::Decoded> AssistantSettings::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    Decoded decoded;
    Reader reader{object};
    visitFields(decoded.settings, reader);
    decoded.settings.unknownKeys = StoredJson::unknownMembers(object, storedKeys());
    decoded.droppedUserData = reader.droppedUserData;
    return decoded;
}

std::optional<AssistantSettings::Decoded> AssistantSettings::decode(const QByteArray& data) {
    const JsonPrefix::Read read = JsonPrefix::readObject(data, storedKeys());
    if (!read.object)
        return std::nullopt;
    std::optional<Decoded> decoded = fromJson(*read.object);
    if (!decoded)
        return std::nullopt;
    decoded->damaged = !read.whole;
    // What stood after a cut or a fault is not in the record.
    decoded->droppedUserData = decoded->droppedUserData || !read.everyMemberRead;
    return decoded;
}
