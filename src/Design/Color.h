#pragma once

#include <QColor>

class QWidget;

namespace DS {

// One sRGB colour: components 0…255, alpha 0…1.
struct Rgba {
    int red = 0;
    int green = 0;
    int blue = 0;
    double alpha = 1;

    QColor toQColor() const;
    bool operator==(const Rgba&) const = default;
};

// A colour with a light and a dark variant. Views keep the pair and resolve it each time
// they paint, so a switch of the desktop's appearance needs nothing but a repaint.
struct Color {
    Rgba light;
    Rgba dark;

    // The same colour in both appearances (white on coloured tiles, fixed tile colours).
    static constexpr Color fixed(Rgba rgba) { return {rgba, rgba}; }

    QColor resolve(bool dark) const;
    // For the appearance `widget` is drawn in: dark when it or an ancestor is forced dark,
    // else the desktop's.
    QColor resolve(const QWidget* widget) const;

    bool operator==(const Color&) const = default;
};

}  // namespace DS
