#pragma once

#include <QFont>
#include <optional>

// The application's named text styles: the desktop's general font at fixed sizes. A size is
// in points of the layout, which are Qt logical pixels, set as a fractional point size. The
// text engine still rounds it to whole pixels when it draws: text at the half sizes (13.5,
// 12.5 …) keeps its size only when drawn through TextPainter (as ElidedLabel, WrappingLabel
// and every component here do), not through QLabel or QLineEdit.
namespace DS::Font {

// The desktop's general font with its em `size` logical pixels high; no weight keeps the
// font's own default weight.
QFont system(qreal size, std::optional<QFont::Weight> weight = std::nullopt);
// The em of `font` in logical pixels, however its size was set: symbols beside a text are
// as high as this.
qreal pixels(const QFont& font);

QFont onboardingTitle();  // 22 bold
QFont windowTitle();      // 15 semibold
QFont instruction();      // 15
QFont answer();           // 14
QFont body();             // 13
QFont notes();            // 13
QFont errorTitle();       // 13.5 semibold
QFont button();           // 12.5 medium
QFont buttonPrimary();    // 12.5 semibold
QFont context();          // 12 semibold
QFont contextDetail();    // 12
QFont footnote();         // 11.5
QFont hint();             // 11
QFont keycap();           // 10.5 semibold

}  // namespace DS::Font
