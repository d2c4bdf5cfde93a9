#include "ActionRunner/ActionRun.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>

#include "AI/CLIEnvironment.h"
#include "AI/LineProcess.h"
#include "AI/ProcessRun.h"
#include "ActionRunner/ActionRunner.h"
#include "ActionRunner/ActionTarget.h"
#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"
#include "Platform/AppPaths.h"
#include "Platform/Characters.h"
#include "Platform/LoginShell.h"
#include "Platform/UrlOpener.h"
#include "Storage/Blanks.h"

namespace {

QString text(const char* german) {
    return QCoreApplication::translate("ActionRunner", german);
}

QString param(const QMap<QString, QString>& params, const QString& name) {
    return params.value(name);
}

AIError noRepo() {
    return AIError::failed(
        text("Kein GitHub-Repo bekannt. Projekt in den Einstellungen unter „Projekte“ verbinden."));
}

// "bug, wontfix, ," gives bug and wontfix.
QStringList splitLabels(const QString& value) {
    QStringList labels;
    for (const QString& piece : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (const QString label = Blanks::trimmed(piece); !label.isEmpty())
            labels.append(label);
    }
    return labels;
}

QString workingFolder(const std::optional<Project>& project) {
    if (project) {
        if (auto folder = project->folderURL())
            return *folder;
    }
    return Platform::AppPaths::homeFolder();
}

// gh refuses an issue whose label the repository lacks with the line "could not add label:
// 'name' not found", before it creates anything (it names the first missing label only).
bool namesMissingLabel(const AIFailure& failure) {
    static const QRegularExpression missingLabel(
        QStringLiteral("^could not add label: '.*' not found$"),
        QRegularExpression::MultilineOption);
    const AIError* error = failure.aiError();
    return error && error->kind() == AIError::Kind::failed &&
           missingLabel.match(error->payload()).hasMatch();
}

std::optional<QString> projectFolder(const std::optional<Project>& project) {
    return project ? project->folderURL() : std::nullopt;
}

}  // namespace

ActionRun::ActionRun(AssistantAction action, QMap<QString, QString> params,
                     std::optional<Project> project, Platform::UrlOpener& opener, Completion done)
    : action_(std::move(action)),
      params_(std::move(params)),
      project_(std::move(project)),
      opener_(opener),
      done_(std::move(done)) {}

ActionRun::~ActionRun() = default;

void ActionRun::start() {
    switch (action_.kind) {
        case AssistantAction::Kind::githubIssue:
            startIssue();
            return;
        case AssistantAction::Kind::githubComment:
            startComment();
            return;
        case AssistantAction::Kind::shell:
            startShell();
            return;
        case AssistantAction::Kind::openURL:
            openLink();
            return;
    }
}

void ActionRun::cancel() {
    done_ = nullptr;
    process_.reset();
}

void ActionRun::startIssue() {
    const std::optional<QString> repo = ActionTarget::repository(params_, project_);
    if (!repo)
        return failLater(noRepo());
    const QString title = param(params_, QStringLiteral("title")).trimmed();
    if (title.isEmpty())
        return failLater(AIError::failed(text("Der Issue braucht einen Titel.")));
    const QStringList labels = splitLabels(param(params_, QStringLiteral("labels")));

    const QStringList plain = {QStringLiteral("issue"),   QStringLiteral("create"),
                               QStringLiteral("--repo"),  *repo,
                               QStringLiteral("--title"), title,
                               QStringLiteral("--body"),  param(params_, QStringLiteral("body"))};
    QStringList arguments = plain;
    for (const QString& label : labels)
        arguments << QStringLiteral("--label") << label;

    gh(arguments, [this, plain, labels](AIResult<QString> output) {
        if (output) {
            finish(Result{text("Issue erstellt"), ActionRunner::firstURL(output.value())});
            return;
        }
        if (labels.isEmpty() || !namesMissingLabel(output.failure())) {
            // Any other failure (a 502, a lost connection) may well have created the issue:
            // running gh again could make a second one in the user's repository.
            finish(output.failure());
            return;
        }
        // gh looks the labels up before it creates anything, so the issue does not exist yet:
        // make it without labels and say which were left out.
        gh(plain, [this, labels](AIResult<QString> retry) {
            if (!retry) {
                finish(retry.failure());
                return;
            }
            const QString message = text("Issue erstellt (ohne Labels: %1 gibt es im Repo nicht)")
                                        .arg(labels.join(QStringLiteral(", ")));
            finish(Result{message, ActionRunner::firstURL(retry.value())});
        });
    });
}

void ActionRun::startComment() {
    const std::optional<QString> repo = ActionTarget::repository(params_, project_);
    if (!repo)
        return failLater(noRepo());
    // One number, the one the card showed; a value that names several is not guessed at.
    const QString value = param(params_, QStringLiteral("issue"));
    if (std::optional<QString> refused = ActionTarget::refusal(action_, params_))
        return failLater(AIError::failed(*refused));
    const std::optional<QString> issue = ActionTarget::issueNumber(value);
    if (!issue)
        return failLater(AIError::failed(text("Welche Issue-Nummer?")));
    const QString number = *issue;
    const QStringList arguments = {QStringLiteral("issue"),
                                   QStringLiteral("comment"),
                                   number,
                                   QStringLiteral("--repo"),
                                   *repo,
                                   QStringLiteral("--body"),
                                   param(params_, QStringLiteral("body"))};
    gh(arguments, [this, number](AIResult<QString> output) {
        if (!output) {
            finish(output.failure());
            return;
        }
        finish(Result{text("Kommentar zu #%1 gepostet").arg(number),
                      ActionRunner::firstURL(output.value())});
    });
}

void ActionRun::startShell() {
    // The values come from the model, which reads the screen: they reach bash as positional
    // parameters, never as text it parses, and the template is read once, so a value that
    // contains a placeholder is never filled in again.
    QList<ShellCommand::Placeholder> placeholders;
    for (const QString& name : action_.parameters)
        placeholders.append({name, param(params_, name)});
    placeholders.append(
        {QStringLiteral("project_path"), projectFolder(project_).value_or(QString())});
    placeholders.append(
        {QStringLiteral("repo"), project_ ? project_->repo.value_or(QString()) : QString()});
    const std::variant<ShellCommand::Script, ShellCommand::Refusal> prepared =
        ShellCommand::prepare(action_.templateText, placeholders);
    if (const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared))
        return failLater(AIError::failed(ShellCommand::refusalMessage(*refusal)));

    // The login shell reads the user's profile; bash, which it hands the template to, runs it.
    const QStringList arguments =
        ShellCommand::loginShellArguments(std::get<ShellCommand::Script>(prepared));
    process_ = LineProcess::collect(Platform::LoginShell::path(), arguments,
                                    workingFolder(project_), [this](AIResult<QString> output) {
                                        if (!output) {
                                            finish(output.failure());
                                            return;
                                        }
                                        const QString trimmed = output.value().trimmed();
                                        const QString message =
                                            trimmed.isEmpty() ? text("Erledigt")
                                                              : Characters::suffix(trimmed, 300);
                                        finish(Result{message, ActionRunner::firstURL(trimmed)});
                                    });
}

void ActionRun::openLink() {
    const std::variant<ActionTarget::Link, QString> finished = ActionTarget::link(action_, params_);
    if (const auto* refused = std::get_if<QString>(&finished))
        return failLater(AIError::failed(*refused));
    const QUrl url = std::get<ActionTarget::Link>(finished).url;
    if (!opener_.open(url))
        return failLater(AIError::failed(text("Der Link konnte nicht geöffnet werden: ") +
                                         std::get<ActionTarget::Link>(finished).address));
    QTimer::singleShot(0, this, [this, url] { finish(Result{text("Geöffnet"), url}); });
}

void ActionRun::gh(const QStringList& arguments, std::function<void(AIResult<QString>)> then) {
    const std::optional<QString> cwd = projectFolder(project_);
    CLIEnvironment::locateAsync(
        QStringLiteral("gh"), QString(), this,
        [this, arguments, cwd, then = std::move(then)](const std::optional<QString>& executable) {
            if (!done_)
                return;  // cancelled while gh was looked for: nothing may be created now
            if (!executable) {
                // gh has no path in the settings: the way out is installing it.
                then(AIError::failed(
                    text("GitHub CLI (gh) wurde nicht gefunden. Installiere gh und versuch es "
                         "noch einmal.")));
                return;
            }
            process_ = LineProcess::collect(*executable, arguments,
                                            cwd.value_or(Platform::AppPaths::homeFolder()), then);
        });
}

void ActionRun::finish(AIResult<Result> result) {
    process_.reset();
    if (auto done = std::exchange(done_, nullptr))
        done(std::move(result));
}

void ActionRun::failLater(AIError error) {
    QTimer::singleShot(0, this, [this, error] { finish(error); });
}
