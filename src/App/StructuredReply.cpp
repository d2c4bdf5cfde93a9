#include "App/StructuredReply.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include "Actions/ActionDefinitionProposal.h"
#include "Actions/ActionProposal.h"
#include "Panel/AssistantSession.h"
#include "Platform/DirectionControls.h"

namespace StructuredReply {

namespace {

// The object between the first "{" and the last "}"; text around it (a sentence, a code
// fence) is the model's chatter.
std::optional<QJsonObject> extractObject(const QString& text) {
    const qsizetype first = text.indexOf(QLatin1Char('{'));
    const qsizetype last = text.lastIndexOf(QLatin1Char('}'));
    if (first < 0 || last < 0 || last < first)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(text.mid(first, last - first + 1).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QString textOf(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::String:
            return value.toString();
        case QJsonValue::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QJsonValue::Bool:
            return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        case QJsonValue::Null:
            return QStringLiteral("null");
        case QJsonValue::Array:
        case QJsonValue::Object:
            return QString::fromUtf8(
                value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
        case QJsonValue::Undefined:
            break;
    }
    return {};
}

QString paramText(const QJsonValue& value) {
    if (!value.isArray())
        return textOf(value);
    QStringList parts;
    for (const QJsonValue& element : value.toArray())
        parts << textOf(element);
    return parts.join(QStringLiteral(", "));
}

// A reply is read as a stranger's text: a character that would reorder what the card shows
// becomes a visible token, so that what the user confirms reads in the order it is stored.
QString seen(const QString& text) {
    return DirectionControls::shown(text);
}

QString stringOr(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isString() ? seen(value.toString()) : QString();
}

bool hasId(const QList<AssistantAction>& actions, const QString& id) {
    return std::any_of(actions.begin(), actions.end(),
                       [&](const AssistantAction& action) { return action.id == id; });
}

std::optional<QString> applyAction(const QJsonObject& object, AssistantSession& session,
                                   const Catalogue& catalogue) {
    const QJsonValue id = object.value(QLatin1String("id"));
    if (!id.isString())
        return std::nullopt;
    const QList<AssistantAction> actions = catalogue();
    const auto found = std::find_if(actions.begin(), actions.end(), [&](const AssistantAction& a) {
        return a.id == id.toString();
    });
    if (found == actions.end())
        return std::nullopt;

    ActionProposal proposal;
    proposal.action = *found;
    const QJsonValue params = object.value(QLatin1String("params"));
    if (params.isObject()) {
        const QJsonObject values = params.toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            proposal.params.insert(it.key(), seen(paramText(it.value())));
    }
    // Every parameter gets a field on the card, also those the model left out.
    const QStringList fixed = fixedParameters(found->kind);
    for (const QString& name : fixed.isEmpty() ? found->parameters : fixed) {
        if (!proposal.params.contains(name))
            proposal.params.insert(name, QString());
    }
    const QJsonValue summary = object.value(QLatin1String("summary"));
    proposal.summary = seen(summary.isString() ? summary.toString() : found->name);
    const QString line = QStringLiteral("✦ ") + proposal.summary;
    session.setActionProposal(std::move(proposal));
    return line;
}

QString trimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

std::optional<QString> applyNewAction(const QJsonObject& object, AssistantSession& session,
                                      const Catalogue& catalogue) {
    const QJsonValue nameValue = object.value(QLatin1String("name"));
    if (!nameValue.isString())
        return std::nullopt;
    const QString name = trimBlanks(seen(nameValue.toString()));
    if (name.isEmpty())
        return std::nullopt;
    const QJsonValue kindValue = object.value(QLatin1String("kind"));
    const std::optional<AssistantAction::Kind> kind =
        kindValue.isString() ? kindFromRaw(kindValue.toString()) : std::nullopt;
    if (!kind)
        return std::nullopt;

    AssistantAction action;
    action.id = newActionId(name, catalogue);
    action.name = name;
    action.kind = *kind;
    action.trigger = stringOr(object, "trigger");
    action.instructions = stringOr(object, "instructions");
    action.templateText = stringOr(object, "template");
    const QJsonValue parameters = object.value(QLatin1String("parameters"));
    if (parameters.isArray()) {
        QStringList names;
        bool allStrings = true;
        for (const QJsonValue& element : parameters.toArray()) {
            allStrings = allStrings && element.isString();
            names << seen(element.toString());
        }
        if (allStrings)
            action.parameters = names;
    }
    action.builtIn = false;

    ActionDefinitionProposal proposal;
    proposal.action = std::move(action);
    session.setDefinitionProposal(std::move(proposal));
    return QStringLiteral("✦ ") +
           QCoreApplication::translate("AppCoordinator", "Neue Aktion vorgeschlagen: ") + name;
}

}  // namespace

QString newActionId(const QString& name, const Catalogue& catalogue) {
    // Accents go with their letters' decomposition; what is left outside a-z and 0-9 joins
    // into single underscores.
    QString folded;
    for (const QChar c : name.toLower().normalized(QString::NormalizationForm_KD)) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded.append(c);
    }
    static const QRegularExpression others(QStringLiteral("[^a-z0-9]+"));
    folded.replace(others, QStringLiteral("_"));
    while (folded.startsWith(QLatin1Char('_')))
        folded.remove(0, 1);
    while (folded.endsWith(QLatin1Char('_')))
        folded.chop(1);
    QString id = folded.isEmpty() ? QStringLiteral("aktion") : folded;
    while (hasId(catalogue(), id))
        id += QStringLiteral("_2");
    return id;
}

std::optional<QString> apply(ReplyKind kind, const QString& json, AssistantSession& session,
                             const Catalogue& catalogue) {
    const std::optional<QJsonObject> object = extractObject(json);
    if (!object)
        return std::nullopt;
    if (kind == ReplyKind::action)
        return applyAction(*object, session, catalogue);
    return applyNewAction(*object, session, catalogue);
}

}  // namespace StructuredReply
