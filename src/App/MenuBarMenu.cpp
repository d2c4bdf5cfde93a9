#include "App/MenuBarMenu.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "App/MenuBarModel.h"
#include "App/MenuBarOperations.h"
#include "Design/Palette.h"
#include "Design/StatusDot.h"
#include "Design/SymbolPainter.h"

namespace {

constexpr int kIconSide = 16;
constexpr qreal kDotSide = 9;

QString symbolOf(MenuBarItem::Icon icon) {
    switch (icon) {
        case MenuBarItem::Icon::checklist:
            return QStringLiteral("checklist");
        case MenuBarItem::Icon::sparkle:
            return QStringLiteral("sparkle");
        default:
            return {};
    }
}

}  // namespace

MenuBarMenu::MenuBarMenu(MenuBarOperations& operations, QMenu& menu, QObject* parent)
    : QObject(parent), operations_(operations), menu_(&menu) {
    // An item that is off says why when pointed at.
    menu_->setToolTipsVisible(true);
    connect(&menu, &QMenu::aboutToShow, this, [this] {
        operations_.refreshStatus();
        rebuild();
    });
    menu.installEventFilter(this);
    dimItemsThatAreOff();
    rebuild();
}

// Qt's style draws the text of an item that is off twice, the second time a pixel lower in
// the palette's light shade as an etched shadow. On a dark palette that shade is brighter
// than any text, and the item that is off looks bolder than those that work. Here it is the
// menu's own text at low opacity, without the shadow, on any palette.
void MenuBarMenu::dimItemsThatAreOff() {
    QPalette palette = menu_->palette();
    QColor text = palette.color(QPalette::Active, QPalette::Text);
    text.setAlphaF(0.4);
    QPalette dimmed = palette;
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        dimmed.setColor(QPalette::Disabled, role, text);
    dimmed.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    // Setting the palette announces a change of it again: only a real change is applied.
    if (dimmed != palette || dimmed.resolveMask() != palette.resolveMask())
        menu_->setPalette(dimmed);
}

QIcon MenuBarMenu::icon(MenuBarItem::Icon icon, const QMenu& menu) {
    if (icon == MenuBarItem::Icon::none)
        return {};
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pixmap(QSize(kIconSide, kIconSide) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0, 0, kIconSide, kIconSide);
    // Drawn, not emoji: a desktop may lack a colour emoji font.
    if (icon == MenuBarItem::Icon::granted || icon == MenuBarItem::Icon::missing) {
        const DS::Color& color =
            icon == MenuBarItem::Icon::granted ? DS::Palette::success : DS::Palette::warning;
        const qreal inset = (kIconSide - kDotSide) / 2;
        StatusDot::paintDot(painter, box.adjusted(inset, inset, -inset, -inset),
                            color.resolve(&menu));
    } else {
        SymbolPainter::paint(painter, symbolOf(icon), box.adjusted(1, 1, -1, -1),
                             menu.palette().color(QPalette::Text));
    }
    painter.end();
    return QIcon(pixmap);
}

bool MenuBarMenu::eventFilter(QObject* watched, QEvent* event) {
    // Qt matches the shortcuts of a menu's items only through a window's menu bar, which a
    // tray menu lacks; the open menu has the keyboard, so its keys are matched here. Closed,
    // the menu hears nothing, and Strg+Q elsewhere never ends Tavrin.
    if (watched != menu_)
        return false;
    // The desktop switched between light and dark.
    if (event->type() == QEvent::PaletteChange) {
        dimItemsThatAreOff();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (QAction* action : menu_->actions()) {
        const QKeySequence key = action->data().value<QKeySequence>();
        if (key.isEmpty() || key != pressed || !action->isEnabled())
            continue;
        menu_->close();
        action->trigger();
        return true;
    }
    return false;
}

void MenuBarMenu::rebuild() {
    if (!menu_)
        return;
    // Deleted later: this may run inside a triggered action's own signal.
    for (QAction* old : menu_->actions()) {
        menu_->removeAction(old);
        old->deleteLater();
    }
    for (const MenuBarItem& item : MenuBarModel::items(operations_.menuState())) {
        switch (item.kind) {
            case MenuBarItem::Kind::separator:
                menu_->addSeparator();
                continue;
            case MenuBarItem::Kind::section:
                menu_->addSection(item.text);
                continue;
            case MenuBarItem::Kind::action:
                break;
        }
        QString text = item.text;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The text after a tab is shown where the key goes, in our own words ("Strg+,").
        if (!item.keyText.isEmpty())
            text += QLatin1Char('\t') + item.keyText;
        auto* action = new QAction(icon(item.icon, *menu_), text, menu_);
        action->setEnabled(item.enabled);
        action->setToolTip(item.toolTip);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        action->setData(item.key);
        connect(action, &QAction::triggered, this,
                [this, item] { MenuBarModel::perform(item, operations_); });
        menu_->addAction(action);
    }
}
