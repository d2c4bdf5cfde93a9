#pragma once

#include <QWidget>

class MarkdownText;

namespace Platform {
class UrlOpener;
}

// One speech bubble of the conversation: the user's words as written, on the soft accent, or
// a reply drawn as Markdown, on the quiet fill. It is as wide as its text needs, at most the
// width it is given.
class ChatBubble : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPaddingX = 12;
    static constexpr int kPaddingY = 8;

    ChatBubble(bool fromUser, Platform::UrlOpener* opener, QWidget* parent = nullptr);

    bool isFromUser() const { return fromUser_; }
    void setText(const QString& text);
    QString text() const;
    // The widest the bubble may be, padding included.
    void setMaximumBubbleWidth(int width);
    MarkdownText* textView() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool fromUser_;
    MarkdownText* text_;
};
