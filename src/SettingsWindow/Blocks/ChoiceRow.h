#pragma once

#include <QWidget>

class QHBoxLayout;
class RadioMark;

// A row that chooses one value of a list: a radio mark, the row's texts and an optional
// control at the trailing edge. A click anywhere on the row chooses it; clicks on the
// trailing control stay with that control.
class ChoiceRow : public QWidget {
    Q_OBJECT

public:
    ChoiceRow(QWidget* texts, QWidget* trailing = nullptr, QWidget* parent = nullptr);

    bool isSelected() const;
    void setSelected(bool selected);

signals:
    void chosen();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    RadioMark* mark_;
    bool pressed_ = false;
};
