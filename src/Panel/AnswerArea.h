#pragma once

#include <QWidget>
#include <optional>

class QScrollArea;
class QTextEdit;

// The draft, finished or arriving, in a scrolling box that is only as tall as its text within
// its bounds: 110 before a newer reply, 300 otherwise. The text is selectable
// and set as plain text, never as markup.
class AnswerArea : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStreamingMinimum = 96;
    static constexpr int kMaximum = 300;
    static constexpr int kMaximumOlder = 110;
    // What the box keeps at least when a short screen takes room from it.
    static constexpr int kLeastInRoom = 96;

    explicit AnswerArea(QWidget* parent = nullptr);

    void setDraft(const QString& draft);
    QString draft() const;
    // While a draft streams its text is drawn by the streaming text, with a blinking cursor.
    void setStreaming(bool streaming);
    // A reply came after the draft: the draft keeps to the short bound.
    void setOlder(bool older);
    bool isOlder() const { return older_; }
    // The most a short screen leaves the box, which keeps kLeastInRoom whatever it is told; its
    // text scrolls within. None: its bounds alone.
    void setRoom(std::optional<int> room);
    // The height the box takes within its bounds, whatever the room.
    int boundedHeight() const { return boundedHeight_; }
    bool isStreaming() const { return streaming_; }

    // The slot the streaming text goes into, inside a scroll view of its own.
    QWidget* streamingText() const { return streamingText_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawsStreaming() const;
    void showDraft();
    void updateHeight();
    void applyColours();

    QString draft_;
    QTextEdit* text_ = nullptr;
    QScrollArea* streamingScroll_ = nullptr;
    QWidget* streamingText_ = nullptr;
    bool streaming_ = false;
    bool followNewest_ = true;
    bool older_ = false;
    std::optional<int> room_;
    int boundedHeight_ = 0;
};
