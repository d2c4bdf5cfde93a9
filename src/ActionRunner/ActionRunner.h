#pragma once

#include <QMap>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

#include "ActionRunner/ActionRun.h"
#include "Actions/AssistantAction.h"
#include "Projects/Project.h"

namespace Platform {
class UrlOpener;
}

// Running the stored actions. Stateless.
namespace ActionRunner {

using Result = ActionRun::Result;

// What an action card shows for the action: the repository for the GitHub kinds ("repo"
// from the params when present, even empty, else the project's), the command with each
// "{{parameter}}" shown as ‹parameter› for shell (bash gets the values apart from the text
// it reads), the finished address for openURL (its template when it would not open).
std::optional<QString> preview(const AssistantAction& action, const QMap<QString, QString>& params,
                               const std::optional<Project>& project);

// Carries out a confirmed action: creates a GitHub issue or comment through `gh`, runs a
// shell command in the user's login shell, or opens a link. `done` gets the result or the
// failure (AIError, or ProcessError when a program could not be started) on the main
// thread, after run() has returned. Keep the returned run while the result is wanted.
std::unique_ptr<ActionRun> run(const AssistantAction& action, const QMap<QString, QString>& params,
                               const std::optional<Project>& project, Platform::UrlOpener& opener,
                               ActionRun::Completion done);

// The first "http://" or "https://" address in a text, with everything up to the next
// white space (trailing punctuation included); none when there is none.
std::optional<QUrl> firstURL(const QString& text);

}  // namespace ActionRunner
