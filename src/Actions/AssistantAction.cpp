#include "Actions/AssistantAction.h"

#include <QCoreApplication>
#include <QHashFunctions>
#include <QJsonArray>

#include "Storage/StoredJson.h"

namespace {

const char* const context = "AssistantAction";

bool isBuiltIn(const AssistantAction& action, const char* id) {
    return action.builtIn && action.id == QLatin1String(id);
}

}  // namespace

QString rawValue(AssistantAction::Kind kind) {
    switch (kind) {
        case AssistantAction::Kind::githubIssue:
            return QStringLiteral("github_issue");
        case AssistantAction::Kind::githubComment:
            return QStringLiteral("github_comment");
        case AssistantAction::Kind::shell:
            return QStringLiteral("shell");
        case AssistantAction::Kind::openURL:
            return QStringLiteral("open_url");
    }
    return {};
}

std::optional<AssistantAction::Kind> kindFromRaw(const QString& raw) {
    for (const AssistantAction::Kind kind : allKinds()) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

QList<AssistantAction::Kind> allKinds() {
    return {AssistantAction::Kind::githubIssue, AssistantAction::Kind::githubComment,
            AssistantAction::Kind::shell, AssistantAction::Kind::openURL};
}

QString title(AssistantAction::Kind kind) {
    switch (kind) {
        case AssistantAction::Kind::githubIssue:
            return QCoreApplication::translate(context, "GitHub-Issue");
        case AssistantAction::Kind::githubComment:
            return QCoreApplication::translate(context, "GitHub-Kommentar");
        case AssistantAction::Kind::shell:
            return QCoreApplication::translate(context, "Befehl");
        case AssistantAction::Kind::openURL:
            return QCoreApplication::translate(context, "Link öffnen");
    }
    return {};
}

QStringList fixedParameters(AssistantAction::Kind kind) {
    switch (kind) {
        case AssistantAction::Kind::githubIssue:
            return {QStringLiteral("title"), QStringLiteral("body"), QStringLiteral("labels")};
        case AssistantAction::Kind::githubComment:
            return {QStringLiteral("issue"), QStringLiteral("body")};
        case AssistantAction::Kind::shell:
        case AssistantAction::Kind::openURL:
            return {};
    }
    return {};
}

const QList<AssistantAction>& AssistantAction::builtIns() {
    // The stored texts speak to the model and are never translated.
    static const QList<AssistantAction> actions{
        AssistantAction{
            .id = QStringLiteral("github_issue"),
            .name = QStringLiteral("GitHub-Issue erstellen"),
            .trigger = QStringLiteral("Der Nutzer möchte aus dem Thema ein Issue/Ticket/Aufgabe "
                                      "im Repo des Projekts machen."),
            .kind = Kind::githubIssue,
            .instructions = QStringLiteral(
                "Titel kurz und konkret auf Englisch. Body auf Englisch in Markdown: Problem, "
                "Quelle (wer hat es wo gemeldet, Zitat), was besprochen wurde, ggf. betroffene "
                "Dateien. Labels nur, wenn passend (z. B. bug, enhancement)."),
            .templateText = {},
            .parameters = {},
            .builtIn = true,
        },
        AssistantAction{
            .id = QStringLiteral("github_comment"),
            .name = QStringLiteral("Kommentar zu GitHub-Issue"),
            .trigger = QStringLiteral("Der Nutzer möchte einen Kommentar zu einem bestehenden "
                                      "Issue schreiben (Nummer genannt oder eindeutig)."),
            .kind = Kind::githubComment,
            .instructions = QStringLiteral("issue = Issue-Nummer. Kommentar auf Englisch, knapp."),
            .templateText = {},
            .parameters = {},
            .builtIn = true,
        },
    };
    return actions;
}

QString AssistantAction::displayName() const {
    if (isBuiltIn(*this, "github_issue"))
        return QCoreApplication::translate(context, "GitHub-Issue erstellen");
    if (isBuiltIn(*this, "github_comment"))
        return QCoreApplication::translate(context, "Kommentar zu GitHub-Issue");
    return name;
}

QString AssistantAction::displayTrigger() const {
    if (isBuiltIn(*this, "github_issue"))
        return QCoreApplication::translate(
            context, "Wenn du aus dem Thema ein Issue im Repo des Projekts machen möchtest.");
    if (isBuiltIn(*this, "github_comment"))
        return QCoreApplication::translate(context,
                                           "Wenn du ein bestehendes Issue kommentieren möchtest.");
    return trigger;
}

QJsonObject AssistantAction::toJson() const {
    QJsonObject object = unknownKeys;
    object.insert(QStringLiteral("id"), id);
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("trigger"), trigger);
    object.insert(QStringLiteral("kind"), rawValue(kind));
    object.insert(QStringLiteral("instructions"), instructions);
    object.insert(QStringLiteral("template"), templateText);
    object.insert(QStringLiteral("parameters"), QJsonArray::fromStringList(parameters));
    object.insert(QStringLiteral("builtIn"), builtIn);
    return object;
}

std::optional<AssistantAction> AssistantAction::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    AssistantAction action;
    const std::pair<const char*, QString*> strings[] = {
        {"id", &action.id},
        {"name", &action.name},
        {"trigger", &action.trigger},
        {"instructions", &action.instructions},
        {"template", &action.templateText},
    };
    for (const auto& [key, field] : strings) {
        const QJsonValue entry = object.value(QLatin1String(key));
        if (!entry.isString())
            return std::nullopt;
        *field = entry.toString();
    }

    const QJsonValue kind = object.value(QStringLiteral("kind"));
    if (!kind.isString())
        return std::nullopt;
    const auto parsedKind = kindFromRaw(kind.toString());
    if (!parsedKind)
        return std::nullopt;
    action.kind = *parsedKind;

    const QJsonValue parameters = object.value(QStringLiteral("parameters"));
    if (!parameters.isArray())
        return std::nullopt;
    for (const QJsonValue& parameter : parameters.toArray()) {
        if (!parameter.isString())
            return std::nullopt;
        action.parameters.append(parameter.toString());
    }

    const QJsonValue builtIn = object.value(QStringLiteral("builtIn"));
    if (!builtIn.isBool())
        return std::nullopt;
    action.builtIn = builtIn.toBool();
    static const QStringList storedKeys{"id",           "name",     "trigger",    "kind",
                                        "instructions", "template", "parameters", "builtIn"};
    action.unknownKeys = StoredJson::unknownMembers(object, storedKeys);
    return action;
}

size_t qHash(const AssistantAction& action, size_t seed) {
    return qHashMulti(seed, action.id, action.name, action.trigger, static_cast<int>(action.kind),
                      action.instructions, action.templateText, action.parameters, action.builtIn);
}
