#include "SettingsWindow/Tabs/PushToTalkKeyMenu.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/SymbolPainter.h"
#include "SettingsWindow/Blocks/SettingsPalette.h"
#include "Settings/SettingsStore.h"

namespace {

constexpr qreal menuHeight = 26;
constexpr qreal padding = 10;
constexpr qreal spacing = 8;
constexpr qreal clearSide = 14;

QFont labelFont() {
    return DS::Font::system(13, QFont::DemiBold);
}

}  // namespace

PushToTalkKeyMenu::PushToTalkKeyMenu(SettingsStore& store, QWidget* parent)
    : QAbstractButton(parent), store_(store), key_(store.settings().pushToTalkKey) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&store_, &SettingsStore::settingsChanged, this, &PushToTalkKeyMenu::showKey);
    showKey();
}

void PushToTalkKeyMenu::showKey() {
    key_ = store_.settings().pushToTalkKey;
    setText(title(key_));
    updateGeometry();
    update();
}

void PushToTalkKeyMenu::choose(PushToTalkKey key) {
    store_.update([key](AssistantSettings& s) { s.pushToTalkKey = key; });
}

QRectF PushToTalkKeyMenu::clearMarkRect() const {
    if (key_ == PushToTalkKey::none)
        return {};
    return {width() - padding - clearSide, (menuHeight - clearSide) / 2, clearSide, clearSide};
}

QSize PushToTalkKeyMenu::sizeHint() const {
    qreal ideal = 2 * padding + QFontMetricsF(labelFont()).horizontalAdvance(text());
    if (key_ != PushToTalkKey::none)
        ideal += spacing + clearSide;
    return {static_cast<int>(std::ceil(ideal)), static_cast<int>(menuHeight)};
}

void PushToTalkKeyMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);
    RoundedBox::strokeInside(painter, rect(), 7, DS::Palette::strokeStrong.resolve(this), 0.5);
    painter.setFont(labelFont());
    painter.setPen(DS::Palette::label.resolve(this));
    painter.drawText(QRectF(padding, 0, width() - 2 * padding, menuHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
    const QRectF clear = clearMarkRect();
    if (clear.isEmpty())
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(DS::Palette::fill.resolve(this));
    painter.drawEllipse(clear);
    SymbolPainter::paint(painter, QStringLiteral("xmark"), clear.adjusted(3.5, 3.5, -3.5, -3.5),
                         DS::Palette::secondary.resolve(this), QFont::Bold);
}

void PushToTalkKeyMenu::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QAbstractButton::mouseReleaseEvent(event);
        return;
    }
    setDown(false);
    event->accept();
    if (clearMarkRect().contains(event->position())) {
        choose(PushToTalkKey::none);
        return;
    }
    openMenu();
}

void PushToTalkKeyMenu::openMenu() {
    // Without a loop of its own, like every popup here: whatever deletes the button while the
    // menu is open deletes the menu with it, and no stack frame returns into either.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // A popup is a window of its own and takes no colours from the settings window.
    SettingsPalette::apply(menu);
    for (const PushToTalkKey key : allPushToTalkKeys()) {
        QAction* action = menu->addAction(title(key));
        action->setCheckable(true);
        action->setChecked(key == key_);
        connect(action, &QAction::triggered, this, [this, key] { choose(key); });
    }
    menu->popup(mapToGlobal(QPoint(0, static_cast<int>(menuHeight))));
}
