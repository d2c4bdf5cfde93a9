#pragma once

#include <QString>
#include <QUuid>
#include <optional>

#include "SettingsWindow/Tabs/SettingsCoordinator.h"

class SettingsStore;

// Fills in a project's repository from its folder without holding up the window: git runs on
// a worker, and its answer is written only if the project is still there with the same folder
// and still without a repository (the user may have typed one, removed the project or chosen
// another folder meanwhile).
namespace RepoLookup {

// "owner/name" and nothing else; a remote that yields more or other characters is no repository
// the actions can use.
bool isOwnerAndName(const QString& repo);

void start(SettingsStore& store, const QUuid& project, const QString& folder,
           const SettingsCoordinator::RepoDetector& detect);

}  // namespace RepoLookup
