#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

class AssistantSession;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// The draft while it arrives: what is complete in the label colour, the word still coming in
// in the secondary colour, and a blinking accent bar (one second a cycle) that keeps its width
// while hidden. Drawn as plain text.
class StreamingText : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kLineSpacing = 4;

    StreamingText(AssistantSession& session, Platform::Clock& clock, QWidget* parent = nullptr);
    ~StreamingText() override;

    // The cursor is shown in the first half of every wall-clock second.
    static bool cursorVisibleAt(double secondsSinceReference);
    bool isCursorVisible() const { return cursorVisible_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Laid;
    Laid layOut(int width) const;
    void blink();

    QPointer<AssistantSession> session_;
    Platform::Clock& clock_;
    bool cursorVisible_ = true;
    std::unique_ptr<Platform::Timer> blinker_;
};
