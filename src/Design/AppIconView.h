#pragma once

#include <QWidget>

// The application's icon for the onboarding, drawn a quarter larger than the nominal size
// (a 64 view takes 80 × 80), as the window system shows it: the icon the application set,
// else the drawn one.
class AppIconView : public QWidget {
    Q_OBJECT

public:
    explicit AppIconView(qreal size, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal size_;
};
