#include "Actions/ActionRunner.h"

namespace ActionRunner {

std::optional<QString> preview(const AssistantAction& action, const QMap<QString, QString>& params,
                               const std::optional<Project>& project) {
    switch (action.kind) {
        case AssistantAction::Kind::githubIssue:
        case AssistantAction::Kind::githubComment: {
            const auto repo = params.constFind(QStringLiteral("repo"));
            if (repo != params.cend())
                return *repo;
            if (!project)
                return std::nullopt;
            return project->repo;
        }
        case AssistantAction::Kind::shell: {
            // Values are not filled in: the card shows where each one goes.
            QString text = action.templateText;
            for (const QString& name : action.parameters) {
                text.replace(QStringLiteral("{{") + name + QStringLiteral("}}"),
                             QStringLiteral("\u2039") + name + QStringLiteral("\u203A"));
            }
            return text;
        }
        case AssistantAction::Kind::openURL:
            return action.templateText;
    }
    return std::nullopt;
}

}  // namespace ActionRunner
