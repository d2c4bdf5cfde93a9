#pragma once

#include <QWidget>
#include <functional>

#include "Design/Palette.h"

class StyledButton;

// The toast's capsule: a check mark, "Eingefügt", the undo button and a small close button;
// or, for a notice, a warning sign, its text and the close button. The window around it is
// the toast's; the view only reports the clicks.
class UndoToastView : public QWidget {
    Q_OBJECT

public:
    // Room around the capsule, for a compositor's shadow.
    static constexpr int kMargin = 6;
    static constexpr int kCapsuleHeight = 38;

    UndoToastView(std::function<void()> undo, std::function<void()> close,
                  QWidget* parent = nullptr);
    // With `undo`, the notice offers the undo button too (a paste that went in only in part).
    UndoToastView(const QString& notice, std::function<void()> close, QWidget* parent = nullptr,
                  std::function<void()> undo = {});

    // Null in a notice.
    StyledButton* undoButton() const { return undoButton_; }
    // "Eingefügt", or the notice.
    const QString& message() const { return message_; }
    StyledButton* closeButton() const { return closeButton_; }
    // Without a compositor nothing blends a translucent capsule with what lies beneath.
    void setOpaque(bool opaque);
    // The capsule inside the view.
    QRectF capsule() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UndoToastView(const QString& symbol, const DS::Color& symbolColor, const QString& text,
                  std::function<void()> undo, std::function<void()> close, QWidget* parent);

    QString message_;
    StyledButton* undoButton_ = nullptr;
    StyledButton* closeButton_;
    bool opaque_ = false;
};
