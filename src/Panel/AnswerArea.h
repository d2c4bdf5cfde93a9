#pragma once

#include <QWidget>

class QScrollArea;
class TintedLabel;

// The draft, finished or arriving, in a scrolling box that is only as tall as its text within
// its bounds.
class AnswerArea : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStreamingMinimum = 96;
    static constexpr int kMaximum = 300;
    static constexpr int kMaximumWithCard = 110;

    explicit AnswerArea(QWidget* parent = nullptr);

    void setDraft(const QString& draft);
    // While a draft streams its text is drawn by the streaming text, with a blinking cursor.
    void setStreaming(bool streaming);
    void setHasCard(bool hasCard);
    bool isStreaming() const { return streaming_; }

    // The slot the streaming text goes into.
    QWidget* streamingText() const { return streamingText_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateHeight();

    QScrollArea* scroll_ = nullptr;
    TintedLabel* draft_ = nullptr;
    QWidget* streamingText_ = nullptr;
    bool streaming_ = false;
    bool hasCard_ = false;
};
