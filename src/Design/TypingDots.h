#pragma once

#include <QWidget>

class AnimationDriver;

// Three accent dots that brighten one after another while an answer is being written. Their
// opacity comes from the wall clock, so every copy on screen pulses in step; under reduce
// motion they stand still at full strength.
class TypingDots : public QWidget {
    Q_OBJECT

public:
    explicit TypingDots(QWidget* parent = nullptr);

    // Opacity of dot `index` (0…2) at `seconds` since 2001-01-01: 0.35…1, each dot 0.7
    // radians behind the one before.
    static double opacity(int index, double seconds);

    QSize sizeHint() const override { return {18, 4}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AnimationDriver* driver_;
};
