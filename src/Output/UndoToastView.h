#pragma once

#include <QWidget>
#include <functional>

class StyledButton;

// The toast's capsule: a check mark, "Eingefügt", the undo button and a small close button.
// The window around it is the toast's; the view only reports the two clicks.
class UndoToastView : public QWidget {
    Q_OBJECT

public:
    // Room around the capsule, for a compositor's shadow.
    static constexpr int kMargin = 6;
    static constexpr int kCapsuleHeight = 38;

    UndoToastView(std::function<void()> undo, std::function<void()> close,
                  QWidget* parent = nullptr);

    StyledButton* undoButton() const { return undoButton_; }
    StyledButton* closeButton() const { return closeButton_; }
    // Without a compositor nothing blends a translucent capsule with what lies beneath.
    void setOpaque(bool opaque);
    // The capsule inside the view.
    QRectF capsule() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StyledButton* undoButton_;
    StyledButton* closeButton_;
    bool opaque_ = false;
};
