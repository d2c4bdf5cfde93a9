#pragma once

#include <QWidget>
#include <functional>

// The floating window of the assistant: frameless, above other windows, out of the task bar,
// translucent where a compositor shows it. It takes the keyboard so that the user can type the
// instruction, and Escape anywhere in it reaches onCancel, the panel's one way to Escape.
class AssistantPanel : public QWidget {
    Q_OBJECT

public:
    // The content size it starts with, before a view reports its own.
    static constexpr QSize kInitialSize{560, 200};
    static constexpr qreal kCornerRadius = 22;

    AssistantPanel();

    std::function<void()> onCancel;

    // Without a compositor translucent pixels show black: the window is then cut to its
    // rounded shape and its content paints opaque.
    void setShaped(bool shaped);
    bool isShaped() const { return shaped_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMask();

    bool shaped_ = false;
};
