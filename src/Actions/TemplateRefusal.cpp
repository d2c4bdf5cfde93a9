#include "Actions/TemplateRefusal.h"

#include <QCoreApplication>

#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"
#include "Platform/DirectionControls.h"

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

QString text(const char* german) {
    return QCoreApplication::translate("AssistantAction", german);
}

// The first text of the action that is longer than its limit, by the title its row has on the
// card of a new action.
std::optional<QString> tooLong(const AssistantAction& action) {
    const bool link = action.kind == AssistantAction::Kind::openURL;
    const struct {
        const char* title;
        const QString& value;
        qsizetype limit;
    } texts[] = {
        {"Name", action.name, ActionLimits::name},
        {"Wann", action.trigger, ActionLimits::trigger},
        {"Wie", action.instructions, ActionLimits::instructions},
        {link ? "Link" : "Befehl", action.templateText, ActionLimits::templateText},
    };
    for (const auto& t : texts) {
        if (t.value.size() > t.limit)
            return text("„%1“ ist zu lang: höchstens %2 Zeichen, hier %3. Bitte kürzen.")
                .arg(text(t.title))
                .arg(t.limit)
                .arg(t.value.size());
    }
    return std::nullopt;
}

std::optional<QString> shellRefusal(const AssistantAction& action);

}  // namespace

std::optional<QString> templateRefusal(const AssistantAction& action) {
    if (std::optional<QString> longer = tooLong(action))
        return longer;
    if (action.kind == AssistantAction::Kind::openURL)
        return linkTemplateRefusal(action.templateText);
    return shellRefusal(action);
}

std::optional<QString> linkTemplateRefusal(const QString& templateText) {
    const bool split = std::any_of(templateText.cbegin(), templateText.cend(), [](QChar c) {
        const QChar::Category category = c.category();
        return category == QChar::Other_Control || category == QChar::Separator_Line ||
               category == QChar::Separator_Paragraph || DirectionControls::isControl(c.unicode());
    });
    if (!split)
        return std::nullopt;
    return text(
        "Tavrin würde diesen Link nicht öffnen: Ein Link ist eine einzige Adresse, "
        "ohne Zeilenumbrüche und Steuerzeichen.");
}

namespace {

// Plain values stand in for the placeholders: a template refused with them is refused with
// any, since only what a value holds (a leading "-", a NUL, its length) can refuse more. A word
// and a whole number both stand in, since arithmetic takes the one and a command the other.
std::optional<QString> shellRefusal(const AssistantAction& action) {
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

}  // namespace
