#pragma once

#include <QWidget>

class SettingsTextEditor;

// A card that frames one free text: the editor sits straight on the card, a hint line below.
class NoteCard : public QWidget {
    Q_OBJECT

public:
    NoteCard(int editorHeight, const QString& footer, QWidget* parent = nullptr);

    SettingsTextEditor* editor() const { return editor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SettingsTextEditor* editor_;
};
