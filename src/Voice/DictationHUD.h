#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QWidget>
#include <optional>

#include "Design/FloatingPlacement.h"

class QuickDictationModel;
namespace Platform {
class Compositor;
}

// The floating capsule that shows a quick dictation near the text field. It never takes the
// keyboard or the mouse and never activates Tavrin. The window is created on the first show
// and kept; each show installs a fresh view, each hide removes it.
class DictationHUD {
public:
    static constexpr QSizeF kSize{420, 52};
    // The capsule inside the window; the rest is room for a compositor's shadow.
    static constexpr qreal kCapsuleHeight = 44;

    using Screen = FloatingPlacement::Screen;

    // Without a compositor (none given counts as none) the window is cut to the capsule:
    // its clear corners would show black.
    explicit DictationHUD(QuickDictationModel& model, Platform::Compositor* compositor = nullptr);
    ~DictationHUD();

    // Shows the display for `anchor` (global coordinates, top-left origin).
    void show(const std::optional<QRectF>& anchor);
    void hide();
    // The window, once shown.
    QWidget* window() const { return window_; }
    bool isVisible() const { return window_ && window_->isVisible(); }

    // Where the window goes: FloatingPlacement's place with a gap of 12; a field of no size
    // (the pointer) still counts. Without any screen, near the origin.
    static QRectF frame(const std::optional<QRectF>& field, QSizeF size,
                        const QList<Screen>& screens, std::optional<qsizetype> mainScreen);
    // The same on the real screens; the main screen is the one under the pointer, since
    // Tavrin is never the active application.
    static QRectF frame(const std::optional<QRectF>& field, QSizeF size);

    // The capsule's outline in the window, which cuts the window without a compositor.
    static QRegion mask();

private:
    QuickDictationModel& model_;
    Platform::Compositor* compositor_;
    QPointer<QWidget> window_;
};
