#pragma once

#include <QWidget>

// The lock and the one sentence on what leaves the computer. Centred it is at most 380
// wide with its lines centred; leading (or trailing) it fills the width with its lines
// starting at the left. It wraps and never cuts off.
class PrivacyNote : public QWidget {
    Q_OBJECT

public:
    explicit PrivacyNote(Qt::Alignment alignment = Qt::AlignHCenter, QWidget* parent = nullptr);

    static QString text();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Layout;
    Layout layout(qreal width) const;

    bool centred_;
};
