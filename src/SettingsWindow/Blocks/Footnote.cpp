#include "SettingsWindow/Blocks/Footnote.h"

#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"

Footnote::Footnote(const QString& text, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 6, 4, 0);
    layout->addWidget(new WrappingLabel(text, DS::Font::footnote(), DS::Palette::tertiary));
}
