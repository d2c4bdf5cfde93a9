#pragma once

#include <QUuid>
#include <QWidget>

#include "Projects/Project.h"

class SettingsCoordinator;
class SettingsRow;
class SettingsTextField;
class StyledButton;
class SwitchToggle;

// The editor of one project: name, folder, repository, keywords and whether the AI may read
// its code. It edits the project with its id wherever that is in the list.
class ProjectCard : public QWidget {
    Q_OBJECT

public:
    ProjectCard(SettingsCoordinator& coordinator, const Project& project,
                QWidget* parent = nullptr);

    QUuid projectId() const { return id_; }
    // Shows the stored fields (changed here or elsewhere); the keyword text stays as typed.
    void display(const Project& project);

    // `path` with the home folder written "~", only where the home folder is a whole leading
    // part of it.
    static QString abbreviated(const QString& path, const QString& home);
    // The keyword text split at commas, each piece trimmed of spaces and tabs, empty ones
    // dropped; order and duplicates kept.
    static QStringList keywords(const QString& text);

    SettingsTextField* nameField() const { return name_; }
    SettingsRow* folderRow() const { return folderRow_; }
    StyledButton* chooseButton() const { return choose_; }
    StyledButton* clearFolderButton() const { return clearFolder_; }
    SettingsTextField* repoField() const { return repo_; }
    SettingsTextField* keywordField() const { return keywords_; }
    SwitchToggle* readsCodeSwitch() const { return readsCode_; }
    StyledButton* removeButton() const { return remove_; }

private:
    template <typename Edit>
    void edit(Edit&& edit);
    void chooseFolder();
    void saveKeywords();

    SettingsCoordinator& coordinator_;
    QUuid id_;
    SettingsTextField* name_;
    SettingsRow* folderRow_;
    StyledButton* choose_;
    StyledButton* clearFolder_;
    SettingsTextField* repo_;
    SettingsTextField* keywords_;
    SwitchToggle* readsCode_;
    StyledButton* remove_;
};
