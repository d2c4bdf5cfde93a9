#pragma once

#include <QAbstractButton>

#include "SettingsWindow/Tabs/SettingsTab.h"

// One tab in the settings sidebar: its coloured tile and its name, on a highlight while it
// is the selected tab. The whole row takes the click.
class SidebarRow : public QAbstractButton {
    Q_OBJECT

public:
    explicit SidebarRow(SettingsTab tab, QWidget* parent = nullptr);

    SettingsTab tab() const { return tab_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // A click selects the tab through the coordinator; the row never unchecks itself.
    void nextCheckState() override {}

private:
    SettingsTab tab_;
    bool selected_ = false;
};
