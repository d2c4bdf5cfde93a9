#pragma once

class QWidget;

// The frame of a drop-down list or of the field a shortcut is recorded in, drawn from the
// colour tokens: a hairline and a fill that follow the appearance like the cards around them,
// where the platform style would keep its own light bevel in dark mode.
namespace ControlFrame {

// Frames `control` (a QComboBox or a QLineEdit) now and again after every switch of the
// appearance, for as long as it lives.
void follow(QWidget* control);

}  // namespace ControlFrame
