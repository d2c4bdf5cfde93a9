#pragma once

#include <QGraphicsEffect>
#include <QTransform>

// Paints a widget, children and all, through a transform. A window cannot be scaled, so the
// panel's spring and exit scale paint a picture of its content this way while they run; input
// still reaches the live widgets underneath.
class ContentTransformEffect : public QGraphicsEffect {
    Q_OBJECT

public:
    explicit ContentTransformEffect(QObject* parent = nullptr);

    const QTransform& transform() const { return transform_; }
    void setTransform(const QTransform& transform);

protected:
    void draw(QPainter* painter) override;

private:
    QTransform transform_;
};
