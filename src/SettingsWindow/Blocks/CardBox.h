#pragma once

#include <QWidget>

// The card's rounded background and hairline border without rows: for a card that holds one
// free-form group (the tone chips and editor, a note).
class CardBox : public QWidget {
    Q_OBJECT

public:
    explicit CardBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
