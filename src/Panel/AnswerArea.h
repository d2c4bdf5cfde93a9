#pragma once

#include <QWidget>

class QScrollArea;
class QTextEdit;

// The draft, finished or arriving, in a scrolling box that is only as tall as its text within
// its bounds: 110 beside a card or before a newer reply, 300 otherwise. The text is selectable
// and set as plain text, never as markup.
class AnswerArea : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStreamingMinimum = 96;
    static constexpr int kMaximum = 300;
    static constexpr int kMaximumWithCard = 110;

    explicit AnswerArea(QWidget* parent = nullptr);

    void setDraft(const QString& draft);
    QString draft() const;
    // While a draft streams its text is drawn by the streaming text, with a blinking cursor.
    void setStreaming(bool streaming);
    void setHasCard(bool hasCard);
    // A reply came after the draft: the draft keeps to the short bound.
    void setOlder(bool older);
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
    bool hasCard_ = false;
    bool older_ = false;
};
