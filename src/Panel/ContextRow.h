#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "Projects/Project.h"

class AssistantSession;
class ElidedLabel;
class ProjectChip;
class QAbstractButton;
class Spinner;

namespace Platform {
class ApplicationIcons;
}

// The panel's header: the icon of the application the panel was opened for, a title of the
// application and the page, a short word on the field, a spinner while the context is still
// being read, the project chip and the close button. Presses outside the chip and the button
// fall through to the drag handle behind the row.
class ContextRow : public QWidget {
    Q_OBJECT

public:
    // What the row needs of the panel around it.
    struct Hooks {
        std::function<bool()> showsScreenHint;
        std::function<QList<Project>()> projects;
        std::function<void()> dismiss;
        std::function<void(std::optional<Project>)> chooseProject;
        std::function<void()> manageProjects;
    };

    static constexpr int kHeight = 22;
    static constexpr int kIconSide = 18;

    ContextRow(AssistantSession& session, Hooks hooks, Platform::ApplicationIcons* icons,
               QWidget* parent = nullptr);

    // Reads the session and the hooks again; call it when the screen hint or the projects may
    // have changed.
    void refresh();

    QString title() const;
    QString detail() const;
    // Null when the globe stands in for the application's icon.
    const QImage& icon() const { return icon_; }
    bool isSpinning() const;
    ProjectChip* projectChip() const { return chip_; }
    QAbstractButton* closeButton() const { return close_; }

private:
    QPointer<AssistantSession> session_;
    Hooks hooks_;
    QImage icon_;
    QWidget* iconView_;
    ElidedLabel* title_;
    ElidedLabel* detail_;
    Spinner* spinner_;
    ProjectChip* chip_;
    QAbstractButton* close_;
};
