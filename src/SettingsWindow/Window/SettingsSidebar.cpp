#include "SettingsWindow/Window/SettingsSidebar.h"

#include <QPainter>
#include <QVBoxLayout>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"
#include "SettingsWindow/Window/SidebarRow.h"

namespace {

constexpr int sidebarWidth = 210;
constexpr qreal radius = 18;
// The rows start level with the detail pane's title; the window manager's title bar is
// above the content, so no room is kept for one.
constexpr int topPadding = 24;

}  // namespace

SettingsSidebar::SettingsSidebar(SettingsCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator) {
    setFixedWidth(sidebarWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, topPadding, 8, 8);
    layout->setSpacing(2);
    for (const SettingsTab tab : allSettingsTabs()) {
        auto* row = new SidebarRow(tab);
        connect(row, &SidebarRow::clicked, this, [this, tab] { coordinator_.setSettingsTab(tab); });
        layout->addWidget(row);
        rows_.append(row);
    }
    layout->addStretch(1);
    connect(&coordinator_, &SettingsCoordinator::settingsTabChanged, this,
            &SettingsSidebar::showSelection);
    showSelection();
}

SidebarRow* SettingsSidebar::row(SettingsTab tab) const {
    for (SidebarRow* row : rows_) {
        if (row->tab() == tab)
            return row;
    }
    return nullptr;
}

void SettingsSidebar::showSelection() {
    for (SidebarRow* row : rows_)
        row->setSelected(row->tab() == coordinator_.settingsTab());
}

void SettingsSidebar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = DS::Palette::card.resolve(this);
    fill.setAlphaF(fill.alphaF() * 0.55);
    RoundedBox::fill(painter, rect(), radius, fill);
    RoundedBox::strokeInside(painter, rect(), radius, DS::Palette::stroke.resolve(this), 0.5);
}
