#include "SettingsWindow/Window/SidebarRow.h"

#include <QHBoxLayout>
#include <QPainter>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/IconTile.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

constexpr int rowHeight = 30;

}  // namespace

SidebarRow::SidebarRow(SettingsTab tab, QWidget* parent) : QAbstractButton(parent), tab_(tab) {
    setText(title(tab));
    setFixedHeight(rowHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    // Checked is how assistive technology hears that this is the selected tab.
    setCheckable(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(9);
    auto* tile = new IconTile(symbol(tab), color(tab), 20);
    tile->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(tile, 0, Qt::AlignVCenter);
    auto* name = new ElidedLabel(title(tab));
    name->setObjectName(QStringLiteral("name"));
    name->setFont(DS::Font::system(13));
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(name, 1, Qt::AlignVCenter);
}

void SidebarRow::setSelected(bool selected) {
    if (selected == selected_)
        return;
    selected_ = selected;
    if (auto* name = findChild<ElidedLabel*>(QStringLiteral("name")))
        name->setFont(DS::Font::system(13, selected ? QFont::DemiBold : QFont::Normal));
    setChecked(selected);
    update();
}

QSize SidebarRow::sizeHint() const {
    return {QAbstractButton::sizeHint().width(), rowHeight};
}

void SidebarRow::paintEvent(QPaintEvent*) {
    if (!selected_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), 7, DS::Palette::fillStrong.resolve(this));
}
