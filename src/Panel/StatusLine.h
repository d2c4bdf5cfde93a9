#pragma once

#include <QString>
#include <functional>

#include "Design/Color.h"
#include "Design/Palette.h"

class ElidedLabel;
class QHBoxLayout;
class QWidget;

// The pieces of the panel's status lines (ready, listening and streaming hints): one row,
// 20 high, hint font in the quiet colour, spacing 6 and 4 on the sides.
namespace StatusLine {

// Builds a widget of the panel that a status line or row embeds (the mode switch, the provider
// chip), as a child of `parent`.
using Accessory = std::function<QWidget*(QWidget* parent)>;

// Gives `widget` the status line's layout and look; returns its layout.
QHBoxLayout* setUp(QWidget* widget);
// A text that keeps its whole width; call fit() again after changing it.
ElidedLabel* text(const QString& text, QWidget* parent,
                  const DS::Color& color = DS::Palette::tertiary);
void fit(ElidedLabel* label);
// Adds what `make` builds, when there is a builder.
void addAccessory(QHBoxLayout* layout, const Accessory& make, QWidget* parent);

}  // namespace StatusLine
