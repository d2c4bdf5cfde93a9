#include "Platform/ScreenPixels.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <limits>

namespace Platform {

namespace {

using Screen = ScreenPixels::Screen;

QRectF deviceArea(const Screen& screen) {
    return QRectF(screen.device);
}

QRectF logicalArea(const Screen& screen) {
    return QRectF(QPointF(screen.device.topLeft()), QSizeF(screen.device.size()) / screen.ratio);
}

// Half-open, so that the edge two screens share belongs to one of them only.
bool holds(const QRectF& area, QPointF point) {
    return point.x() >= area.left() && point.x() < area.right() && point.y() >= area.top() &&
           point.y() < area.bottom();
}

qreal distance(const QRectF& area, QPointF point) {
    const qreal dx = std::max({area.left() - point.x(), 0.0, point.x() - area.right()});
    const qreal dy = std::max({area.top() - point.y(), 0.0, point.y() - area.bottom()});
    return std::hypot(dx, dy);
}

template <typename Area>
const Screen* screenOf(const QList<Screen>& screens, const QRectF& rect, Area area) {
    const QPointF centre = rect.center();
    for (const Screen& screen : screens)
        if (holds(area(screen), centre))
            return &screen;
    const Screen* best = nullptr;
    qreal bestOverlap = 0;
    for (const Screen& screen : screens) {
        const QRectF overlap = area(screen) & rect;
        if (overlap.width() * overlap.height() > bestOverlap) {
            bestOverlap = overlap.width() * overlap.height();
            best = &screen;
        }
    }
    if (best)
        return best;
    qreal nearest = std::numeric_limits<qreal>::max();
    for (const Screen& screen : screens) {
        if (const qreal d = distance(area(screen), centre); d < nearest) {
            nearest = d;
            best = &screen;
        }
    }
    return best;
}

// Scales `rect` by `factor` about `origin`.
QRectF scaledAbout(const QRectF& rect, QPointF origin, qreal factor) {
    return QRectF(origin + (rect.topLeft() - origin) * factor, rect.size() * factor);
}

}  // namespace

ScreenPixels::ScreenPixels(QList<Screen> screens) : screens_(std::move(screens)) {
    screens_.removeIf([](const Screen& screen) { return screen.ratio <= 0; });
}

ScreenPixels ScreenPixels::ofQt() {
    QList<Screen> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        screens.append({QRect(logical.topLeft(), QSize(qRound(logical.width() * ratio),
                                                       qRound(logical.height() * ratio))),
                        ratio});
    }
    return ScreenPixels(std::move(screens));
}

QRectF ScreenPixels::toLogical(const QRectF& device) const {
    const Screen* screen = screenOf(screens_, device, deviceArea);
    if (!screen)
        return device;
    return scaledAbout(device, QPointF(screen->device.topLeft()), 1 / screen->ratio);
}

QRectF ScreenPixels::toDevice(const QRectF& logical) const {
    const Screen* screen = screenOf(screens_, logical, logicalArea);
    if (!screen)
        return logical;
    return scaledAbout(logical, QPointF(screen->device.topLeft()), screen->ratio);
}

ScreenPixelsWatch::ScreenPixelsWatch(QObject* parent) : QObject(parent) {
    if (!qGuiApp)
        return;
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        refresh();
    });
    // Queued: the screen leaves Qt's list only after the signal.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenPixelsWatch::refresh,
            Qt::QueuedConnection);
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    refresh();
}

ScreenPixels ScreenPixelsWatch::current() const {
    std::lock_guard lock(mutex_);
    return pixels_;
}

void ScreenPixelsWatch::refresh() {
    ScreenPixels pixels = ScreenPixels::ofQt();
    std::lock_guard lock(mutex_);
    pixels_ = std::move(pixels);
}

void ScreenPixelsWatch::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &ScreenPixelsWatch::refresh);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &ScreenPixelsWatch::refresh);
}

}  // namespace Platform
