#pragma once

#include <QStringList>
#include <QWidget>

#include "App/ShortcutConflicts.h"

class QLabel;
namespace GlobalShortcuts {
class Recorder;
}

// The warning the settings and the onboarding place where the user can act on it: which
// programs take the main shortcut, and a recorder to choose another one right there. It
// shows nothing (stays hidden) when there is no conflict. The names are found when the
// notice is made and again whenever the main or the dictate-only shortcut changes, whichever
// recorder changed it.
class ShortcutConflictNotice : public QWidget {
    Q_OBJECT

public:
    ShortcutConflictNotice(ShortcutConflicts::Services services, GlobalShortcuts::Name main,
                           GlobalShortcuts::Name dictateOnly, QWidget* parent = nullptr);

    const QStringList& apps() const { return apps_; }
    QString text() const;
    GlobalShortcuts::Recorder* recorder() const { return recorder_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void recompute();
    void applyColors();

    ShortcutConflicts::Services services_;
    GlobalShortcuts::Name main_;
    GlobalShortcuts::Name dictateOnly_;
    QStringList apps_;
    QLabel* text_;
    GlobalShortcuts::Recorder* recorder_;
};
