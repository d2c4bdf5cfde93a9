#include "SettingsWindow/Tabs/RepoLookup.h"

#include <QFutureWatcher>
#include <QRegularExpression>
#include <QtConcurrent>

#include "Settings/SettingsStore.h"

namespace RepoLookup {

bool isOwnerAndName(const QString& repo) {
    static const QRegularExpression form(
        QStringLiteral("^[A-Za-z0-9](?:[A-Za-z0-9-]*)/[A-Za-z0-9._-]+$"));
    return form.match(repo).hasMatch() && repo.section(QLatin1Char('/'), 1) != QLatin1String(".") &&
           repo.section(QLatin1Char('/'), 1) != QLatin1String("..");
}

void start(SettingsStore& store, const QUuid& project, const QString& folder,
           const SettingsCoordinator::RepoDetector& detect) {
    // The watcher belongs to the store, which outlives the tab: a lookup finishes also when
    // the window was closed meanwhile, and ends with the store.
    auto* watcher = new QFutureWatcher<std::optional<QString>>(&store);
    QObject::connect(
        watcher, &QFutureWatcherBase::finished, &store, [watcher, &store, project, folder] {
            const std::optional<QString> repo = watcher->result();
            watcher->deleteLater();
            if (!repo || !isOwnerAndName(*repo))
                return;
            const QList<Project>& projects = store.settings().projects;
            const auto found = std::find_if(projects.begin(), projects.end(),
                                            [&](const Project& p) { return p.id == project; });
            if (found == projects.end() || found->repo || found->path != folder)
                return;
            store.update([&](AssistantSettings& s) {
                for (Project& p : s.projects)
                    if (p.id == project)
                        p.repo = *repo;
            });
        });
    watcher->setFuture(QtConcurrent::run([detect, folder] { return detect(folder); }));
}

}  // namespace RepoLookup
