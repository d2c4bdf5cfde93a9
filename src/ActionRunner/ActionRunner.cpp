#include "ActionRunner/ActionRunner.h"

#include <QRegularExpression>

#include "ActionRunner/ActionTarget.h"

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
        case AssistantAction::Kind::openURL: {
            // The address as it will be opened, values filled in; a link that will not open
            // shows its template, beside the card's word on why.
            const auto finished = ActionTarget::link(action, params);
            if (const auto* link = std::get_if<ActionTarget::Link>(&finished))
                return link->address;
            return action.templateText;
        }
    }
    return std::nullopt;
}

std::unique_ptr<ActionRun> run(const AssistantAction& action, const QMap<QString, QString>& params,
                               const std::optional<Project>& project, Platform::UrlOpener& opener,
                               ActionRun::Completion done) {
    auto running = std::make_unique<ActionRun>(action, params, project, opener, std::move(done));
    running->start();
    return running;
}

std::optional<QUrl> firstURL(const QString& text) {
    static const QRegularExpression link(QStringLiteral("https?://\\S+"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = link.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QUrl url(match.captured());
    if (!url.isValid())
        return std::nullopt;
    return url;
}

}  // namespace ActionRunner
