#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <optional>

#include "Projects/Project.h"

class QMenu;

// The chip in the panel's header that names the session's project; a press opens a menu of
// the user's projects, "Ohne Projekt" and "Projekte verwalten …".
class ProjectChip : public QWidget {
    Q_OBJECT

public:
    explicit ProjectChip(QWidget* parent = nullptr);

    void setProject(const std::optional<Project>& project);
    void setProjects(const QList<Project>& projects);

    // The menu as it would open now (for looking at it without opening it).
    QMenu* buildMenu(QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A project, or none for "Ohne Projekt"; the current one may be chosen again.
    void chosen(std::optional<Project> project);
    void manageRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString name() const;
    void showProject();

    std::optional<Project> project_;
    QList<Project> projects_;
};
