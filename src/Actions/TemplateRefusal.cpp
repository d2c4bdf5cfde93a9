#include "Actions/TemplateRefusal.h"

#include <QCoreApplication>

#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"

namespace {

// The run's message begins by saying what happened to the command; before a run nothing has
// happened yet, so that beginning gives way to what would.
QString beforeAnyRun(const QString& message) {
    const QString said =
        QCoreApplication::translate("ActionRunner", "Der Befehl wurde nicht ausgeführt: ");
    const QString would = QCoreApplication::translate(
        "AssistantAction", "Tavrin würde diesen Befehl nicht ausführen: ");
    if (message.startsWith(said))
        return would + message.mid(said.size());
    return would + message;
}

}  // namespace

// Plain values stand in for the placeholders: a template refused with them is refused with
// any, since only what a value holds (a leading "-", a NUL, its length) can refuse more. A word
// and a whole number both stand in, since arithmetic takes the one and a command the other.
std::optional<QString> templateRefusal(const AssistantAction& action) {
    if (action.kind != AssistantAction::Kind::shell)
        return std::nullopt;
    std::optional<QString> refused;
    for (const QString& plain : {QStringLiteral("x"), QStringLiteral("1")}) {
        QList<ShellCommand::Placeholder> values;
        for (const QString& name : action.parameters)
            values.append({name, plain});
        values.append({QStringLiteral("project_path"), QStringLiteral("/x")});
        values.append({QStringLiteral("repo"), QStringLiteral("x/x")});
        const auto prepared = ShellCommand::prepare(action.templateText, values);
        const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
        if (!refusal)
            return std::nullopt;
        if (!refused)
            refused = beforeAnyRun(ShellCommand::refusalMessage(*refusal));
    }
    return refused;
}
