#include "SettingsWindow/Blocks/ControlFrame.h"

#include <QWidget>

#include "Design/Palette.h"
#include "Design/Theme.h"

namespace ControlFrame {

namespace {

QString css(const DS::Color& color, bool dark) {
    return color.resolve(dark).name(QColor::HexArgb);
}

void apply(QWidget* control) {
    const bool dark = Theme::isDark(control);
    // A picker looks like the secondary buttons beside it; a field is a well to type into.
    control->setStyleSheet(
        QStringLiteral("QComboBox { background: %1; color: %3; border: 1px solid %4;"
                       " border-radius: 6px; padding: 2px 6px 2px 8px; }"
                       "QComboBox::drop-down { border: none; width: 18px; }"
                       // The open list is a window of its own: it takes no colours from the
                       // settings window unless told.
                       "QComboBox QAbstractItemView { background: %5; color: %3;"
                       " border: 1px solid %4; outline: 0; }"
                       "QComboBox QAbstractItemView::item:selected { background: %6; color: %7; }"
                       "QLineEdit { background: %2; color: %3; border: 1px solid %4;"
                       " border-radius: 6px; padding: 2px 4px; }")
            .arg(css(DS::Palette::fill, dark), css(DS::Palette::field, dark),
                 css(DS::Palette::label, dark), css(DS::Palette::stroke, dark),
                 css(DS::Palette::card, dark), css(DS::Palette::accent, dark),
                 css(DS::Palette::white, dark)));
}

}  // namespace

void follow(QWidget* control) {
    apply(control);
    if (Theme* theme = Theme::current())
        QObject::connect(theme, &Theme::changed, control, [control] { apply(control); });
}

}  // namespace ControlFrame
