#include "SettingsWindow/Blocks/SettingsPalette.h"

#include <QPalette>
#include <QWidget>

#include "Design/Palette.h"
#include "Design/Theme.h"

namespace SettingsPalette {

void apply(QWidget* root) {
    const bool dark = Theme::isDark(root);
    QPalette palette = root->palette();
    const auto set = [&](QPalette::ColorRole role, const DS::Color& color) {
        palette.setColor(role, color.resolve(dark));
    };
    // Controls lie on cards, so their surroundings are the card colour.
    set(QPalette::Window, DS::Palette::card);
    set(QPalette::WindowText, DS::Palette::label);
    set(QPalette::Base, DS::Palette::card);
    set(QPalette::AlternateBase, DS::Palette::window);
    set(QPalette::Text, DS::Palette::label);
    set(QPalette::PlaceholderText, DS::Palette::tertiary);
    set(QPalette::Button, DS::Palette::card);
    set(QPalette::ButtonText, DS::Palette::label);
    set(QPalette::Highlight, DS::Palette::accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    set(QPalette::ToolTipBase, DS::Palette::card);
    set(QPalette::ToolTipText, DS::Palette::label);
    set(QPalette::Mid, DS::Palette::strokeStrong);
    set(QPalette::Light, DS::Palette::card);
    set(QPalette::Midlight, DS::Palette::card);
    set(QPalette::Dark, DS::Palette::strokeStrong);
    palette.setColor(QPalette::Disabled, QPalette::Text, DS::Palette::tertiary.resolve(dark));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, DS::Palette::tertiary.resolve(dark));
    root->setPalette(palette);
}

void follow(QWidget* root) {
    apply(root);
    if (Theme* theme = Theme::current())
        QObject::connect(theme, &Theme::changed, root, [root] { apply(root); });
}

}  // namespace SettingsPalette
