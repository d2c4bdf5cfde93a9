#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <mutex>

class QScreen;

namespace Platform {

// The desktop counts device pixels in one plane across all monitors (the window system, the
// accessibility bus); Qt 6 keeps each screen's device origin as its logical origin and scales
// only within the screen. Two 2560-pixel monitors side by side at scale 2 are logical
// (0, 0, 1280, …) and (2560, 0, 1280, …): no one ratio converts both, so a point converts by
// the screen that holds it.
class ScreenPixels {
public:
    struct Screen {
        // In device pixels.
        QRect device;
        // Device pixels per logical pixel.
        qreal ratio = 1;
        bool operator==(const Screen&) const = default;
    };

    // Without screens every coordinate stays as it is.
    ScreenPixels() = default;
    explicit ScreenPixels(QList<Screen> screens);
    // Qt's screens now. Main thread only.
    static ScreenPixels ofQt();

    const QList<Screen>& screens() const { return screens_; }
    // From device pixels to Qt's global logical coordinates, by the screen that holds the
    // rectangle's centre (else the one it overlaps most, else the nearest).
    QRectF toLogical(const QRectF& device) const;
    // Back again, by the screen whose logical area holds the rectangle in the same way.
    QRectF toDevice(const QRectF& logical) const;

    bool operator==(const ScreenPixels&) const = default;

private:
    QList<Screen> screens_;
};

// Keeps ScreenPixels::ofQt() up to date as screens come, go and change, for a thread that may
// not ask Qt itself. Made on the main thread; current() is safe from any thread.
class ScreenPixelsWatch final : public QObject {
public:
    explicit ScreenPixelsWatch(QObject* parent = nullptr);

    ScreenPixels current() const;

private:
    void refresh();
    void watch(QScreen* screen);

    mutable std::mutex mutex_;
    ScreenPixels pixels_;
};

}  // namespace Platform
