#pragma once

#include <QWidget>

#include "SettingsWindow/Tabs/SettingsTab.h"

class SettingsCoordinator;
class SidebarRow;

// The fixed column of tabs at the window's left. A click selects the tab in the
// coordinator; the highlight follows the coordinator, whoever changed it.
class SettingsSidebar : public QWidget {
    Q_OBJECT

public:
    explicit SettingsSidebar(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    SidebarRow* row(SettingsTab tab) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showSelection();

    SettingsCoordinator& coordinator_;
    QList<SidebarRow*> rows_;
};
