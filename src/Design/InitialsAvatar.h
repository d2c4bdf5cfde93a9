#pragma once

#include <QWidget>

// A round badge with someone's initials (the author of a quoted message). The caller gives
// the initials ready-made; the text is 0.38 of the diameter.
class InitialsAvatar : public QWidget {
    Q_OBJECT

public:
    InitialsAvatar(const QString& initials, qreal size, QWidget* parent = nullptr);

    void setInitials(const QString& initials);
    QString initials() const { return initials_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString initials_;
    qreal size_;
};
