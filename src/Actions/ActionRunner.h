#pragma once

#include <QMap>
#include <QString>
#include <optional>

#include "Actions/AssistantAction.h"
#include "Projects/Project.h"

// Running the stored actions. Stateless.
namespace ActionRunner {

// What an action card shows for the action: the repository for the GitHub kinds ("repo"
// from the params when present, even empty, else the project's), the command with each
// "{{parameter}}" shown as ‹parameter› for shell, the raw link template for openURL.
std::optional<QString> preview(const AssistantAction& action, const QMap<QString, QString>& params,
                               const std::optional<Project>& project);

}  // namespace ActionRunner
