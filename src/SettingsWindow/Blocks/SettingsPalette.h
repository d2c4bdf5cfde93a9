#pragma once

class QWidget;

// The standard controls of the settings window (drop-down lists, text fields, menus, scroll
// bars) draw with Qt's palette, not with our colour tokens: this gives that palette the
// tokens' values for the appearance `root` is drawn in, and follows the desktop when it
// switches between dark and light.
namespace SettingsPalette {

void apply(QWidget* root);
// Applies now and again after every switch of the appearance, for as long as `root` lives.
void follow(QWidget* root);

}  // namespace SettingsPalette
