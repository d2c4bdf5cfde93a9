#pragma once

#include <QWidget>
#include <vector>

class AnimationDriver;

// A row of accent bars that follows the microphone: one bar per level, 2.5 wide and 2.5
// apart, from 7.7 high at silence to 22 at full level, centred in a 22-high frame. New
// levels ease in over 0.08 s. Levels are clamped to 0…1 (a level that is not a number
// counts as silence), so a bad reading never draws a bar over its neighbours.
class Waveform : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal frameHeight = 22;
    static constexpr double easeSeconds = 0.08;

    explicit Waveform(QWidget* parent = nullptr);

    void setLevels(const std::vector<float>& levels);
    const std::vector<float>& levels() const { return levels_; }

    // The bar height for one level, clamped.
    static qreal barHeight(float level);
    // The heights drawn now, easing included.
    std::vector<qreal> shownHeights() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double progress() const;

    std::vector<float> levels_;
    std::vector<qreal> from_;
    double changedAt_ = 0;
    AnimationDriver* driver_;
};
