#include "Design/FloatingPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace FloatingPlacement {

std::optional<QRectF> frame(const std::optional<QRectF>& anchor, QSizeF size, qreal gap,
                            const QList<Screen>& screens, std::optional<qsizetype> mainScreen) {
    const Screen* main = nullptr;
    if (mainScreen && *mainScreen >= 0 && *mainScreen < screens.size())
        main = &screens[*mainScreen];
    if (anchor) {
        const Screen* screen = nullptr;
        for (const Screen& candidate : screens) {
            // An empty rectangle intersects nothing: it belongs to the screen that holds it.
            if (candidate.frame.intersects(*anchor) ||
                (anchor->isEmpty() && candidate.frame.contains(anchor->center()))) {
                screen = &candidate;
                break;
            }
        }
        if (!screen)
            screen = main;
        if (screen) {
            const QRectF area = screen->available.adjusted(kInset, kInset, -kInset, -kInset);
            qreal x = anchor->left();
            qreal y = anchor->bottom() + gap;
            if (y + size.height() > area.bottom())
                y = anchor->top() - gap - size.height();
            x = std::min(std::max(x, area.left()), area.right() - size.width());
            y = std::max(std::min(y, area.bottom() - size.height()), area.top());
            return QRectF(QPointF(x, y), size);
        }
    }
    const Screen* fallback = main ? main : (screens.isEmpty() ? nullptr : &screens.first());
    if (!fallback)
        return std::nullopt;
    const QRectF& area = fallback->available;
    return QRectF(QPointF(area.center().x() - size.width() / 2,
                          area.bottom() - kBottomOffset - size.height()),
                  size);
}

std::optional<QRectF> frame(const std::optional<QRectF>& anchor, QSizeF size, qreal gap) {
    QList<Screen> screens;
    std::optional<qsizetype> main;
    const QList<QScreen*> all = QGuiApplication::screens();
    const QScreen* pointerScreen = QGuiApplication::screenAt(QCursor::pos());
    for (const QScreen* screen : all) {
        if (screen == pointerScreen)
            main = screens.size();
        screens.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    }
    if (!main && QGuiApplication::primaryScreen())
        main = all.indexOf(QGuiApplication::primaryScreen());
    return frame(anchor, size, gap, screens, main);
}

}  // namespace FloatingPlacement
