#include "Design/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include "Platform/Appearance.h"

namespace {

// The one theme of the program; a second one (in a test) stands in for the first while it
// lives.
Theme* installed = nullptr;

const char* const forcedDarkProperty = "tavrinForcedDark";

}  // namespace

Theme::Theme(Platform::Appearance& appearance, Platform::Clock& clock, QObject* parent)
    : QObject(parent), appearance_(appearance), clock_(clock), previous_(installed) {
    installed = this;
    connect(&appearance_, &Platform::Appearance::changed, this, &Theme::onAppearanceChanged);
}

Theme::~Theme() {
    if (installed == this)
        installed = previous_.data();
}

Theme* Theme::current() {
    return installed;
}

bool Theme::isDark(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->property(forcedDarkProperty).toBool())
            return true;
    }
    if (installed)
        return installed->appearance_.isDark();
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

bool Theme::reduceMotion() {
    return installed && installed->appearance_.reduceMotion();
}

void Theme::setForcedDark(QWidget* widget, bool forced) {
    widget->setProperty(forcedDarkProperty, forced);
    widget->update();
}

void Theme::onAppearanceChanged() {
    // Colours resolve when drawn: repainting what is visible is the whole switch.
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->isVisible())
            widget->update();
    }
    emit changed();
}
