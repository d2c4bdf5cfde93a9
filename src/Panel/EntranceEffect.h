#pragma once

#include <QGraphicsEffect>

// How a section of the panel comes in: faded, a few pixels low and, for the upper sections,
// blurred, until its progress reaches 1.
class EntranceEffect : public QGraphicsEffect {
    Q_OBJECT

public:
    static constexpr qreal kOffset = 5;
    static constexpr qreal kBlurRadius = 3;

    EntranceEffect(bool blur, QObject* parent = nullptr);

    // 0: not yet entered; 1: in place. Springs may pass 1 a little.
    void setProgress(qreal progress);
    qreal progress() const { return progress_; }

protected:
    QRectF boundingRectFor(const QRectF& rect) const override;
    void draw(QPainter* painter) override;

private:
    bool blur_;
    qreal progress_ = 0;
};
