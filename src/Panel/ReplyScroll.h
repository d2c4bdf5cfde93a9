#pragma once

#include <QPointer>
#include <QScrollArea>
#include <optional>

class QVBoxLayout;

// The panel's replies (the conversation, the draft, the cards) in one column that is exactly as
// tall as they are until the panel, short of room on its screen, caps it; then the column
// scrolls, and the newest reply stays in view: whole when it fits, else from its top. The user
// may scroll back to older replies; a new reply brings the newest into view again.
class ReplyScroll : public QScrollArea {
    Q_OBJECT

public:
    ReplyScroll(int spacing, QWidget* parent = nullptr);

    // The column the sections go into.
    QWidget* column() const { return column_; }
    QVBoxLayout* columnLayout() const;
    // As tall as the column at the view's width, whatever the cap.
    int desiredHeight() const;
    // The most the panel can give the replies; none: all they need.
    void setHeightCap(std::optional<int> cap);
    std::optional<int> heightCap() const { return heightCap_; }
    // The section of the newest reply; a new one is brought into view.
    void setNewest(QWidget* section);
    // Brings the newest reply into view again, after the user scrolled away from it.
    void followNewest();

signals:
    // The column asks for another height than before; the panel may share its room anew.
    void desiredHeightChanged(int height);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    void showNewest();
    int newestTarget() const;

    QWidget* column_;
    std::optional<int> heightCap_;
    int desired_ = -1;
    QPointer<QWidget> newest_;
    bool followNewest_ = true;
    bool scrolling_ = false;
};
