#include "Design/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace DS::Font {

namespace {

// Fonts are sized in points, the layout in logical pixels: convert through the logical
// resolution so that an em of 13 is 13 logical pixels on every desktop.
qreal logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 0;
    return dpi > 0 ? dpi : 96;
}

qreal pointsForPixels(qreal pixels) {
    return pixels * 72.0 / logicalDpi();
}

}  // namespace

QFont system(qreal size, std::optional<QFont::Weight> weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointsForPixels(size));
    if (weight)
        font.setWeight(*weight);
    return font;
}

qreal pixels(const QFont& font) {
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return font.pointSizeF() * logicalDpi() / 72.0;
}

QFont onboardingTitle() {
    return system(22, QFont::Bold);
}
QFont windowTitle() {
    return system(15, QFont::DemiBold);
}
QFont instruction() {
    return system(15);
}
QFont answer() {
    return system(14);
}
QFont body() {
    return system(13);
}
QFont notes() {
    return system(13);
}
QFont errorTitle() {
    return system(13.5, QFont::DemiBold);
}
QFont button() {
    return system(12.5, QFont::Medium);
}
QFont buttonPrimary() {
    return system(12.5, QFont::DemiBold);
}
QFont context() {
    return system(12, QFont::DemiBold);
}
QFont contextDetail() {
    return system(12);
}
QFont footnote() {
    return system(11.5);
}
QFont hint() {
    return system(11);
}
QFont keycap() {
    return system(10.5, QFont::DemiBold);
}

}  // namespace DS::Font
