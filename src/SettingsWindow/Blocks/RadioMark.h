#pragma once

#include <QWidget>

// The round mark of a single-choice row: a hollow ring, or an accent disc with a white dot
// when chosen. It has no action of its own; the whole row takes the click.
class RadioMark : public QWidget {
    Q_OBJECT

public:
    explicit RadioMark(bool selected = false, QWidget* parent = nullptr);

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override { return {16, 16}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool selected_;
};
