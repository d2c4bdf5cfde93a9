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
// any, since only what a value holds (a leading "-", a NUL, its length) can refuse more.
std::optional<QString> templateRefusal(const AssistantAction& action) {
    if (action.kind != AssistantAction::Kind::shell)
        return std::nullopt;
    QList<ShellCommand::Placeholder> values;
    for (const QString& name : action.parameters)
        values.append({name, QStringLiteral("x")});
    values.append({QStringLiteral("project_path"), QStringLiteral("/x")});
    values.append({QStringLiteral("repo"), QStringLiteral("x/x")});
    const auto prepared = ShellCommand::prepare(action.templateText, values);
    if (const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared))
        return beforeAnyRun(ShellCommand::refusalMessage(*refusal));
    return std::nullopt;
}
