#pragma once

#include <QPointer>
#include <QWidget>
#include <utility>

class AssistantSession;
struct QuotedMessage;

// What the user is answering, below the panel's header: the message read from the screen
// (with its author and how many earlier messages were taken in), the text the user had
// selected, or a shimmering placeholder while the message is still being read. Compact, it
// shrinks to one line, as the conversation grows. Empty when there is nothing to show.
class QuoteBlock : public QWidget {
    Q_OBJECT

public:
    enum class Variant {
        none,
        placeholder,
        compactQuote,
        fullQuote,
        compactSelection,
        fullSelection
    };

    explicit QuoteBlock(AssistantSession& session, QWidget* parent = nullptr);

    // The message is still being read, nothing has arrived and nothing hides the placeholder.
    static bool showsPlaceholder(const AssistantSession& session);
    // The one line of a compact card: the lead in the label style, then the text (a selection
    // with blanks for its line breaks, a message by its first line and " …" when more follow).
    static std::pair<QString, QString> compactLine(const QuotedMessage& quote);
    // `text` wrapped at `width` in `font`, at most `maxLines` lines; when more would follow,
    // the last line ends in "…".
    static QStringList clampLines(const QString& text, const QFont& font, int width, int maxLines);

    void setCompact(bool compact);
    bool isCompact() const { return compact_; }
    Variant variant() const { return variant_; }
    // The card shown, null for none.
    QWidget* card() const { return card_; }

private:
    void rebuild();
    QWidget* makeCard(Variant variant);

    QPointer<AssistantSession> session_;
    bool compact_ = false;
    Variant variant_ = Variant::none;
    QWidget* card_ = nullptr;
};
