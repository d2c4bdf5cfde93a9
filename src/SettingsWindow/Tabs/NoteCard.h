#pragma once

#include "SettingsWindow/Blocks/CardBox.h"

class SettingsTextEditor;

// A card that frames one free text: the editor sits straight on the card, a hint line below.
class NoteCard : public CardBox {
    Q_OBJECT

public:
    NoteCard(int editorHeight, const QString& footer, QWidget* parent = nullptr);

    SettingsTextEditor* editor() const { return editor_; }

private:
    SettingsTextEditor* editor_;
};
