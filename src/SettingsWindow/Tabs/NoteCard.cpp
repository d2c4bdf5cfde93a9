#include "SettingsWindow/Tabs/NoteCard.h"

#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/WrappingLabel.h"
#include "SettingsWindow/Blocks/SettingsTextEditor.h"

NoteCard::NoteCard(int editorHeight, const QString& footer, QWidget* parent)
    : CardBox(parent),
      editor_(
          new SettingsTextEditor(SettingsTextEditor::Look::bare, editorHeight, DS::Font::notes())) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(8);
    layout->addWidget(editor_);
    layout->addWidget(new WrappingLabel(footer, DS::Font::hint(), DS::Palette::tertiary));
}
