#include "SettingsWindow/Tabs/ProjectSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/StyledButton.h"
#include "Platform/FolderChooser.h"
#include "SettingsWindow/Blocks/Footnote.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/ProjectCard.h"
#include "SettingsWindow/Tabs/RepoLookup.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

ProjectSettings::ProjectSettings(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent),
      coordinator_(coordinator),
      list_(new QVBoxLayout),
      addFolder_(new StyledButton(tr("Projektordner hinzufügen …"), ButtonStyle::primary(28, 8))),
      addRepo_(new StyledButton(tr("Nur Repo hinzufügen"), ButtonStyle::secondary(28, 8))) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Footnote(
        tr("Verbundene Projekte erkennt Tavrin an Stichworten (Gruppe, Website, Produktname). "
           "Mit Ordner kann die KI im Code nachsehen, mit Repo kann sie GitHub-Issues "
           "vorbereiten.")));
    layout->addSpacing(6);
    list_->setContentsMargins(0, 0, 0, 0);
    list_->setSpacing(0);
    layout->addLayout(list_);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 14, 0, 0);
    buttons->setSpacing(8);
    buttons->addWidget(addFolder_);
    buttons->addWidget(addRepo_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(addFolder_, &StyledButton::clicked, this, &ProjectSettings::addProject);
    connect(addRepo_, &StyledButton::clicked, this, &ProjectSettings::addRepoOnly);
    connect(&coordinator_.settings(), &SettingsStore::settingsChanged, this,
            &ProjectSettings::showProjects);
    showProjects();
}

QString ProjectSettings::projectName(const QString& folderName) {
    QString name = folderName.toLower();
    bool wordStart = true;
    for (QChar& c : name) {
        if (wordStart && c.isLetter())
            c = c.toUpper();
        wordStart = !c.isLetterOrNumber();
    }
    return name;
}

void ProjectSettings::addProject() {
    // A start folder that is not there would leave the choice to the dialog.
    const QString projects = QDir::homePath() + QStringLiteral("/Projekte");
    const std::optional<QString> folder = coordinator_.folderChooser().chooseFolder(
        tr("Projektordner wählen (z. B. das Git-Repo des Plugins)"),
        QFileInfo(projects).isDir() ? projects : QDir::homePath());
    if (!folder)
        return;
    const QString path = QDir::cleanPath(*folder);
    const QString last = QFileInfo(path).fileName();
    Project project;
    project.id = QUuid::createUuid();
    project.name = projectName(last);
    project.path = path;
    project.keywords = {last};
    project.readsCode = true;
    coordinator_.settings().update([&](AssistantSettings& s) { s.projects.append(project); });
    RepoLookup::start(coordinator_.settings(), project.id, path, coordinator_.repoDetector());
}

void ProjectSettings::addRepoOnly() {
    Project project;
    project.id = QUuid::createUuid();
    project.name = tr("Neues Projekt");
    project.readsCode = true;
    coordinator_.settings().update([&](AssistantSettings& s) { s.projects.append(project); });
}

void ProjectSettings::showProjects() {
    // A copy: a new card saves its normalised keywords, which replaces the stored list while
    // this one is still being walked.
    const QList<Project> projects = coordinator_.settings().settings().projects;
    QList<QUuid> ids;
    for (const Project& project : projects)
        ids.append(project.id);
    if (ids == shown_) {
        for (qsizetype i = 0; i < cards_.size(); ++i)
            cards_[i]->display(projects[i]);
        return;
    }
    shown_ = ids;
    for (ProjectCard* card : std::as_const(cards_)) {
        card->hide();
        card->deleteLater();
    }
    cards_.clear();
    for (const Project& project : projects) {
        auto* card = new ProjectCard(coordinator_, project);
        cards_.append(card);
        list_->addWidget(card);
    }
}
