#pragma once

#include <QWidget>

#include "AI/ConversationTurn.h"
#include "Panel/CardFrame.h"

class ClampedText;
class ElidedLabel;
class Spinner;
class StyledButton;

namespace Platform {
class Clipboard;
class FileRevealer;
class UrlOpener;
}  // namespace Platform

// A document reply in the conversation: its title, the file it was saved to, a few lines of
// its body, and buttons to open the file, show it in the file manager or copy the body. While
// the reply is still being written it shows a spinner and no buttons.
class DocumentCard : public CardFrame {
    Q_OBJECT

public:
    // Null: the button that needs it does nothing.
    struct Services {
        Platform::UrlOpener* opener = nullptr;
        Platform::FileRevealer* revealer = nullptr;
        Platform::Clipboard* clipboard = nullptr;
    };

    explicit DocumentCard(Services services, QWidget* parent = nullptr);

    // Shows `turn`; the card draws nothing of its own between calls.
    void setTurn(const ConversationTurn& turn, bool isWriting);

    static QString title(const ConversationTurn& turn);
    static QString subtitle(const ConversationTurn& turn, bool isWriting);
    // The first lines of the body as plain text: no heading or quote marks, no bold markers,
    // no blank lines.
    static QString preview(const QString& reply);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void open();
    void reveal();
    void copy();

    Services services_;
    ConversationTurn turn_;
    bool isWriting_ = false;
    QWidget* icon_ = nullptr;
    ElidedLabel* title_ = nullptr;
    ElidedLabel* subtitle_ = nullptr;
    Spinner* spinner_ = nullptr;
    ClampedText* preview_ = nullptr;
    QWidget* buttons_ = nullptr;
};
