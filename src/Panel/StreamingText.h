#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class AssistantSession;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// The draft while it arrives: what is complete in the label colour, the word still coming in
// in the secondary colour, and a blinking accent bar (one second a cycle) that keeps its width
// while hidden. Drawn as plain text.
//
// A long reply must not cost more per chunk than a short one: finished paragraphs, and the
// finished lines of the paragraph still growing, stay laid out; a chunk lays out only the last
// lines and the cursor. The draft is taken at most once a frame, however many chunks arrive;
// a chunk after a quiet moment shows at once. A burst larger than a frame can lay out (a whole
// reply in one chunk) is shown kMostPerFrame characters a frame.
class StreamingText : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kLineSpacing = 4;
    static constexpr qsizetype kMostPerFrame = 8192;

    StreamingText(AssistantSession& session, Platform::Clock& clock, QWidget* parent = nullptr);
    ~StreamingText() override;

    // The cursor is shown in the first half of every wall-clock second.
    static bool cursorVisibleAt(double secondsSinceReference);
    bool isCursorVisible() const { return cursorVisible_; }
    // The draft as it is drawn: the session's, up to the last frame.
    const QString& shownText() const { return shown_; }
    // Where the shown draft's character at `offset` is drawn; empty past its end.
    QRectF characterRect(qsizetype offset) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // How the draft reads: its direction, whether text of the other direction (or a direction
    // control) occurs in it, and how often it was replaced rather than extended.
    struct Direction {
        int generation = 0;
        bool rightToLeft = false;
        bool bidirectional = false;
    };
    struct Looks;
    class Flow;

    Flow& flowAt(int width) const;
    Looks looks() const;
    void draftArrived();
    void frameDue();
    void takeDraft();
    // Repaints from the top of the lines that still change down.
    void updateEnd();
    void blink();

    QPointer<AssistantSession> session_;
    Platform::Clock& clock_;
    QString shown_;
    Direction direction_;
    bool cursorVisible_ = true;
    bool draftWaiting_ = false;
    std::unique_ptr<Platform::Timer> blinker_;
    std::unique_ptr<Platform::Timer> frame_;
    // The draft laid out at the widths asked for lately, the latest first.
    mutable std::vector<std::unique_ptr<Flow>> flows_;
};
