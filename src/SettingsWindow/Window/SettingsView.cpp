#include "SettingsWindow/Window/SettingsView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/ThinScrollBar.h"
#include "SettingsWindow/Blocks/SettingsPalette.h"
#include "SettingsWindow/Tabs/AISettings.h"
#include "SettingsWindow/Tabs/ActionSettings.h"
#include "SettingsWindow/Tabs/GeneralSettings.h"
#include "SettingsWindow/Tabs/KnowledgeSettings.h"
#include "SettingsWindow/Tabs/MemorySettings.h"
#include "SettingsWindow/Tabs/PermissionSettings.h"
#include "SettingsWindow/Tabs/ProjectSettings.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"
#include "SettingsWindow/Tabs/StyleSettings.h"
#include "SettingsWindow/Tabs/VoiceSettings.h"
#include "SettingsWindow/Window/SettingsSidebar.h"

SettingsView::SettingsView(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent),
      coordinator_(coordinator),
      sidebar_(new SettingsSidebar(coordinator)),
      scroll_(new QScrollArea),
      title_(new ElidedLabel) {
    setMinimumSize(minimumContentSize);
    SettingsPalette::follow(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* sidebarFrame = new QVBoxLayout;
    sidebarFrame->setContentsMargins(8, 8, 8, 8);
    sidebarFrame->addWidget(sidebar_);
    layout->addLayout(sidebarFrame);

    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    DS::useThinScrollBar(*scroll_);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The pane shows the window's own background.
    scroll_->viewport()->setAutoFillBackground(false);
    auto* page = new QWidget;
    column_ = new QVBoxLayout(page);
    column_->setContentsMargins(28, 34, 28, 28);
    column_->setSpacing(0);
    title_->setFont(DS::Font::windowTitle());
    title_->setColor(DS::Palette::label);
    column_->addWidget(title_);
    column_->addSpacing(14);
    column_->addStretch(1);
    scroll_->setWidget(page);
    // setWidget() turns filling on; the page shows the window's own background.
    page->setAutoFillBackground(false);
    layout->addWidget(scroll_, 1);

    connect(&coordinator_, &SettingsCoordinator::settingsTabChanged, this, &SettingsView::showTab);
    showTab();
}

QString SettingsView::detailTitle() const {
    return title_->text();
}

QWidget* SettingsView::createContent(SettingsTab tab, SettingsCoordinator& coordinator) {
    switch (tab) {
        case SettingsTab::general:
            return new GeneralSettings(coordinator);
        case SettingsTab::ai:
            return new AISettings(coordinator);
        case SettingsTab::voice:
            return new VoiceSettings(coordinator);
        case SettingsTab::permissions:
            return new PermissionSettings(coordinator);
        case SettingsTab::knowledge:
            return new KnowledgeSettings(coordinator);
        case SettingsTab::actions:
            return new ActionSettings(coordinator);
        case SettingsTab::style:
            return new StyleSettings(coordinator);
        case SettingsTab::memory:
            return new MemorySettings(coordinator);
        case SettingsTab::projects:
            return new ProjectSettings(coordinator);
    }
    return new QWidget;
}

void SettingsView::showTab() {
    const SettingsTab tab = coordinator_.settingsTab();
    title_->setText(title(tab));
    // The old content stops its timers now (they run only while shown) and goes once control
    // is back in the event loop, which also ends a running connection test; a tab may have
    // asked for the switch from one of its own handlers.
    if (content_) {
        content_->hide();
        column_->removeWidget(content_);
        content_->deleteLater();
    }
    content_ = createContent(tab, coordinator_);
    // Between the title (and its gap) and the closing stretch.
    column_->insertWidget(2, content_);
    scroll_->verticalScrollBar()->setValue(0);
}

void SettingsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), DS::Palette::window.resolve(this));
}
