#pragma once

#include <QList>
#include <QRectF>
#include <optional>

// Where a small floating window of ours (the undo toast, the dictation display) goes: beside
// the text field the user works in, on that field's screen, else at the bottom of the main
// screen. The main screen is the one under the pointer, since Tavrin is never the active
// application. All in global coordinates with a top-left origin.
namespace FloatingPlacement {

struct Screen {
    QRectF frame;
    QRectF available;  // without panels and docks
};

// Kept this far inside a screen's available area.
constexpr qreal kInset = 8;
// Without an anchor, the window's bottom stands this far above the available area's bottom.
constexpr qreal kBottomOffset = 60;

// `gap` below the anchor, its left edge at the anchor's (`gap` above it when there is no room
// below), kept kInset inside the available area of the first screen the anchor touches, else
// of the main screen; a window larger than the area keeps to its right and top edges. An
// anchor without width or height (a caret, the pointer) belongs to the screen holding its
// centre. Without an anchor: centred, kBottomOffset above the bottom of the main screen's
// available area (the first screen's when there is no main one). None without any screen.
std::optional<QRectF> frame(const std::optional<QRectF>& anchor, QSizeF size, qreal gap,
                            const QList<Screen>& screens, std::optional<qsizetype> mainScreen);

// The same on the desktop's screens.
std::optional<QRectF> frame(const std::optional<QRectF>& anchor, QSizeF size, qreal gap);

}  // namespace FloatingPlacement
