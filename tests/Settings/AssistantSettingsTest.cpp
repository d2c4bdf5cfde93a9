#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include "Settings/AssistantSettings.h"

namespace {

AssistantSettings decoded(const QByteArray& json) {
    const auto result = AssistantSettings::decode(json);
    EXPECT_TRUE(result) << json.toStdString();
    return result ? result->settings : AssistantSettings();
}

const char* const validProject =
    R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","name":"Tavrin","keywords":[],"readsCode":true})";

QByteArray action(const char* kind) {
    return QByteArray(R"({"id":"say","name":"Vorlesen","trigger":"","kind":")") + kind +
           R"(","instructions":"","template":"say {{text}}","parameters":["text"],"builtIn":false})";
}

// Every object in the pretty-printed `text` lists its keys in alphabetical order.
void expectSortedKeys(const QByteArray& text) {
    // Pretty printing puts every key at the start of its own line.
    static const QRegularExpression keyLine(QStringLiteral("^( *)\"([^\"]+)\": "),
                                            QRegularExpression::MultilineOption);
    QMap<int, QString> lastAtIndent;
    auto it = keyLine.globalMatch(QString::fromUtf8(text));
    while (it.hasNext()) {
        const auto match = it.next();
        const int indent = match.capturedLength(1);
        const QString key = match.captured(2);
        // Keys compare only with their siblings: going back up forgets the deeper levels.
        for (auto deeper = lastAtIndent.upperBound(indent); deeper != lastAtIndent.end();)
            deeper = lastAtIndent.erase(deeper);
        if (lastAtIndent.contains(indent)) {
            EXPECT_LT(lastAtIndent[indent], key) << "at indent " << indent;
        }
        lastAtIndent[indent] = key;
    }
}

}  // namespace

TEST(AssistantSettingsTest, TolerantDecoding) {
    const AssistantSettings defaults;
    const struct {
        const char* label;
        QByteArray json;
        std::function<void(AssistantSettings&)> expect;
    } cases[] = {
        {"empty object is the default record", "{}", [](AssistantSettings&) {}},
        {"rules as one text of four lines",
         "{\"rules\": \"Kein Gendern\\n\\n \\t Du statt Sie\\u00A0 \\n\"}",
         [](AssistantSettings& s) {
             s.rules = {"Kein Gendern", "Du statt Sie"};
         }},
        {"rules array taken as it is", R"({"rules": [" a ", ""]})",
         [](AssistantSettings& s) {
             s.rules = {" a ", ""};
         }},
        {"a number among the rules is left out", R"({"rules": ["a", 1, "b"]})",
         [](AssistantSettings& s) {
             s.rules = {"a", "b"};
         }},
        {"rules of another type", R"({"rules": 5})", [](AssistantSettings&) {}},
        {"an unknown tone preset is left out", R"({"tonePresets": ["warm", "loud"]})",
         [](AssistantSettings& s) { s.tonePresets = {TonePreset::warm}; }},
        {"empty tone presets", R"({"tonePresets": []})",
         [](AssistantSettings& s) { s.tonePresets = {}; }},
        {"tone presets in stored order", R"({"tonePresets": ["warm", "short"]})",
         [](AssistantSettings& s) {
             s.tonePresets = {TonePreset::warm, TonePreset::short_};
         }},
        {"a project that does not read is left out, the other stays",
         QByteArray(R"({"aboutMe": "ich", "projects": [{"name": "kaputt"}, )") + validProject +
             "]}",
         [](AssistantSettings& s) {
             s.aboutMe = "ich";
             s.projects = {*Project::fromJson(QJsonDocument::fromJson(validProject).object())};
         }},
        {"an action of a kind this version does not know is left out, the other stays",
         QByteArray(R"({"customActions": [)") + action("send_mail") + ", " + action("shell") + "]}",
         [](AssistantSettings& s) {
             s.customActions = {
                 *AssistantAction::fromJson(QJsonDocument::fromJson(action("shell")).object())};
         }},
        {"codex provider with a mistyped model", R"({"provider": "codexCLI", "claudeModel": 4})",
         [](AssistantSettings& s) { s.provider = ProviderID::codexCLI; }},
        {"unknown provider", R"({"provider": "ClaudeCLI"})", [](AssistantSettings&) {}},
        {"retention as a number", R"({"activityMemory": 2})", [](AssistantSettings&) {}},
        {"null boolean", R"({"launchAtLogin": null, "showMenuBarIcon": false})",
         [](AssistantSettings& s) { s.showMenuBarIcon = false; }},
        {"boolean as a number", R"({"sendAfterInsert": 1})", [](AssistantSettings&) {}},
        {"unknown keys are kept as they were read", R"({"futureKey": {"a": 1}, "tone": "knapp"})",
         [](AssistantSettings& s) {
             s.tone = "knapp";
             s.unknownKeys = {{"futureKey", QJsonObject{{"a", 1}}}};
         }},
        {"enumerations by raw value",
         R"({"dictationEngine": "whisperLocal", "pushToTalkKey": "none", "activityMemory": "week"})",
         [](AssistantSettings& s) {
             s.dictationEngine = DictationEngine::whisperLocal;
             s.pushToTalkKey = PushToTalkKey::none;
             s.activityMemory = MemoryRetention::week;
         }},
    };
    for (const auto& c : cases) {
        AssistantSettings expected = defaults;
        c.expect(expected);
        EXPECT_EQ(decoded(c.json), expected) << c.label;
    }
}

TEST(AssistantSettingsTest, TopLevelMustBeAnObject) {
    for (const char* json : {"[]", "\"text\"", "3", "null", "", "nicht json"})
        EXPECT_FALSE(AssistantSettings::decode(json)) << json;
}

TEST(AssistantSettingsTest, ModelTrimsBlanksButKeepsLineBreaks) {
    const struct {
        QString stored;
        std::optional<QString> expected;
    } cases[] = {
        {"   ", std::nullopt}, {"", std::nullopt}, {" \t gpt-5\u2003 ", "gpt-5"},
        {"\n", "\n"},          {" o3\n ", "o3\n"},
    };
    for (const auto& c : cases) {
        AssistantSettings settings;
        settings.codexModel = c.stored;
        settings.claudeModel = "  opus ";
        EXPECT_EQ(settings.model(ProviderID::codexCLI), c.expected) << c.stored.toStdString();
        EXPECT_EQ(settings.model(ProviderID::claudeCLI), std::optional<QString>("opus"));
    }
}

TEST(AssistantSettingsTest, EncodingRoundTripsWithEveryKeySorted) {
    AssistantSettings settings;
    settings.launchAtLogin = true;
    settings.provider = ProviderID::codexCLI;
    settings.codexModel = "gpt-5";
    settings.aboutMe = "Entwickler in Zürich – \"Tavrin\"";
    settings.tonePresets = {TonePreset::professional, TonePreset::warm};
    settings.rules = {"Keine Emojis", " Du "};
    Project project;
    project.id = QUuid::createUuid();
    project.name = "Tavrin";
    project.repo = "owner/tavrin";
    project.keywords = {"panel"};
    settings.projects = {project};
    AssistantAction action;
    action.id = "say";
    action.name = "Vorlesen";
    action.templateText = "say {{text}}";
    action.parameters = {"text"};
    settings.customActions = {action};
    settings.pushToTalkKey = PushToTalkKey::rightCommand;
    settings.activityMemory = MemoryRetention::off;

    const QByteArray text = settings.encode();
    EXPECT_EQ(decoded(text), settings);
    EXPECT_EQ(decoded(AssistantSettings().encode()), AssistantSettings());

    const QJsonObject object = QJsonDocument::fromJson(text).object();
    EXPECT_EQ(object.size(), 32);
    EXPECT_EQ(object.keys().first(), "aboutMe");
    EXPECT_TRUE(text.startsWith("{\n    \"aboutMe\": "));
    EXPECT_EQ(object.value("tonePresets").toArray(), (QJsonArray{"professional", "warm"}));
    expectSortedKeys(text);
}
