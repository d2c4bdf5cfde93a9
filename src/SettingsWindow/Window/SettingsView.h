#pragma once

#include <QWidget>

#include "SettingsWindow/Tabs/SettingsTab.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;
class SettingsCoordinator;
class SettingsSidebar;
class ElidedLabel;

// The whole content of the settings window: the sidebar of tabs and, beside it, the
// scrolling pane with the selected tab's title and content. The tab's content is built anew
// each time its tab is selected, and what it started ends with it.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize minimumContentSize{780, 600};

    explicit SettingsView(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    SettingsSidebar* sidebar() const { return sidebar_; }
    QString detailTitle() const;
    // The selected tab's content.
    QWidget* content() const { return content_; }

    // The content of `tab`.
    static QWidget* createContent(SettingsTab tab, SettingsCoordinator& coordinator);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showTab();

    SettingsCoordinator& coordinator_;
    SettingsSidebar* sidebar_;
    QScrollArea* scroll_;
    ElidedLabel* title_;
    QVBoxLayout* column_;
    QWidget* content_ = nullptr;
};
