#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class QScrollArea;
class QTextEdit;
class QTimer;

// The draft, finished or arriving, in a scrolling box that is only as tall as its text within
// its bounds: 110 before a newer reply, 300 otherwise. The text is selectable
// and set as plain text, never as markup.
//
// A draft of any length keeps the program answering: the finished draft goes into its text box
// a slice at a time, each slice within a frame's time, and the box's height reads only the
// lines it can show. A paragraph longer than kBlockLimit is laid out in pieces that end after
// a blank; the line ends there, but a copy gives the paragraph as it is.
class AnswerArea : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStreamingMinimum = 96;
    static constexpr int kMaximum = 300;
    static constexpr int kMaximumOlder = 110;
    // What the box keeps at least when a short screen takes room from it: two lines of its
    // text, so that an older draft can give its two lines too.
    static constexpr int kLeastInRoom = 70;
    // The most characters laid out as one piece: its lines are laid out together at each width.
    static constexpr qsizetype kBlockLimit = 2000;

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
    // How much of the finished draft its text box holds so far.
    qsizetype placedLength() const { return placed_; }
    // The draft's text between two places of the text box (a selection's ends).
    QString draftBetween(int from, int to) const;

    // The slot the streaming text goes into, inside a scroll view of its own.
    QWidget* streamingText() const { return streamingText_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawsStreaming() const;
    void showDraft();
    // Places the next slice of the draft; another follows after the events that wait.
    void placeSlice();
    int draftHeight(int maximum) const;
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

    // The draft the text box is filled with, how much of it is placed, how long the last
    // piece of its paragraph is, and where the pieces of long paragraphs were cut (places in
    // the text box, each holding a break that is not in the draft).
    QString placing_;
    qsizetype placed_ = 0;
    qsizetype pieceLength_ = 0;
    std::vector<int> cuts_;
    // Characters a slice places: grows while slices take less than their time, else shrinks.
    qsizetype sliceLength_ = 0;
    QTimer* nextSlice_ = nullptr;
};
