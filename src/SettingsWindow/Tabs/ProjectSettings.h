#pragma once

#include <QList>
#include <QUuid>
#include <QWidget>

class ProjectCard;
class QVBoxLayout;
class SettingsCoordinator;
class StyledButton;

// The "Projekte" tab: one card per project, and the two ways to add one.
class ProjectSettings : public QWidget {
    Q_OBJECT

public:
    explicit ProjectSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    // The name of a project added from a folder: its name with each word capitalised.
    static QString projectName(const QString& folderName);

    QList<ProjectCard*> cards() const { return cards_; }
    StyledButton* addFolderButton() const { return addFolder_; }
    StyledButton* addRepoButton() const { return addRepo_; }

private:
    void addProject();
    void addRepoOnly();
    void showProjects();

    SettingsCoordinator& coordinator_;
    QVBoxLayout* list_;
    QList<ProjectCard*> cards_;
    QList<QUuid> shown_;
    StyledButton* addFolder_;
    StyledButton* addRepo_;
};
