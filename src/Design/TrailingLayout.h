#pragma once

#include <QLayout>
#include <QList>

// A leading part (a name and a state) and a trailing part (the controls for it) side by side,
// the trailing one at the trailing edge, both centred vertically; where the width cannot hold
// the leading part whole beside the least the trailing part needs, the trailing part goes
// under it, across the whole width. So names and states are never cut for a long message or
// a row of buttons. Beside the leading part, the trailing part takes what it would like, or
// all the room the leading part leaves.
class TrailingLayout : public QLayout {
    Q_OBJECT

public:
    // `leading` and `trailing` become children of `parent`, whose layout this is.
    TrailingLayout(QWidget* parent, QWidget* leading, QWidget* trailing, int spacing);
    ~TrailingLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    void setGeometry(const QRect& rect) override;

private:
    struct Placement {
        bool stacked = false;
        int leadingWidth = 0;
        int trailingWidth = 0;
    };

    Placement place(int width) const;
    int spacingBetween() const;

    QList<QLayoutItem*> items_;
};
