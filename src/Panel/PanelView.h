#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AnswerArea;
class ChatList;
class ReplyScroll;
class ContextRow;
class QuoteBlock;
class ActionRow;
class AssistantSession;
class InstructionField;
class NoticeBlock;
class PanelActions;
class SentInstructionField;
class WindowDragHandle;
class ElidedLabel;
class TintedLabel;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// The content of the assistant panel for one invocation: which sections show, in which order,
// as the session's phase, turns, draft, proposals and dictation change. A section is built
// when it first shows; until then a named, empty stand-in holds its place. Main thread only.
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 560;
    static constexpr int kPadding = 14;
    static constexpr int kSpacing = 10;

    PanelView(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);
    ~PanelView() override;

    // The size the panel should have: the fixed width and the height of the content.
    QSize fittingSize() const;
    // The most the panel may be high on its screen: the conversation, the draft and the cards
    // scroll within it, the newest of them in view. None: as high as they are.
    void setHeightBudget(std::optional<int> budget);
    // Without a compositor the tint is painted opaque.
    void setOpaqueTint(bool opaque);
    // The panel came on screen: the field takes the focus and the sections come in one after
    // another, `clock` timing them; `still` skips the motion.
    void enter(Platform::Clock& clock, bool still);

    // The panel's derived conditions.
    bool showsScreenHint() const;
    bool hasCard() const;
    bool isCompact() const;

    // `text` in the quotation marks of the interface's language.
    static QString quoted(const QString& text);
    // The applied instructions as the line above the answer shows them; empty when none of
    // them holds more than blanks.
    static QString instructionLineText(const QStringList& applied);

signals:
    // The content's height changed; read fittingSize().
    void fittingSizeChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void build();
    void refresh();
    // The conversation, the draft and the cards in the order their replies came.
    void arrangeReplies();
    ChatList* makeChatList(QWidget* parent);
    // Caps the replies' column at what the budget leaves them.
    void fitRoom();
    void onPhaseChanged();
    QWidget* slot(const char* name, QWidget* parent = nullptr);
    QWidget* buildScreenHint(QWidget* parent);
    void addRow(QWidget* row);
    // Puts an empty stand-in named `name` in `parent`'s layout, held by `row`; the first
    // showRow(row, true) builds the row with `make` in its place.
    void defer(QWidget*& row, const char* name, QWidget* parent,
               std::function<QWidget*(QWidget* parent)> make);
    // The same for a section that sits in a slot named `name`.
    void deferInSlot(QWidget*& row, const char* name, QWidget* parent,
                     std::function<QWidget*(QWidget* slot)> make);
    void showRow(QWidget*& row, bool visible);
    void keepTabPlace(QWidget* standIn, QWidget* built);
    void tickEntrance();
    // Refreshes after one of the state changes whose new rows fade in on a spring of
    // `response` seconds.
    void refreshAnimated(double response);
    void fadeInNewRows();
    void tickFades();
    QList<QWidget*> rows() const;

    QPointer<AssistantSession> session_;
    PanelActions& actions_;
    bool opaqueTint_ = false;

    WindowDragHandle* contextRow_ = nullptr;
    ContextRow* contextContent_ = nullptr;
    QuoteBlock* quote_ = nullptr;
    // Rows still standing in for the section they become when first shown.
    struct Deferred {
        QWidget** row;
        std::function<QWidget*(QWidget* parent)> make;
    };
    std::vector<Deferred> deferred_;

    QWidget* problemBlock_ = nullptr;
    QWidget* failedFooter_ = nullptr;
    QWidget* screenHint_ = nullptr;
    QWidget* quoteBlock_ = nullptr;
    QWidget* chatList_ = nullptr;
    // The conversation's stretches between the draft and the cards, the first in chatList_.
    QList<ChatList*> chatParts_;
    QWidget* instructionLine_ = nullptr;
    ElidedLabel* instructionLineLabel_ = nullptr;
    QWidget* answerRow_ = nullptr;
    // Null until the answer's row is first shown.
    AnswerArea* answerArea_ = nullptr;
    QWidget* actionCard_ = nullptr;
    QWidget* definitionCard_ = nullptr;
    // The column of rows 3 to 6.
    ReplyScroll* replies_ = nullptr;
    std::optional<int> heightBudget_;
    qsizetype arrangedTurns_ = -1;
    QWidget* sentRow_ = nullptr;
    // Null until the sent instruction's row is first shown.
    SentInstructionField* sentField_ = nullptr;
    InstructionField* instructionField_ = nullptr;
    QWidget* dictationErrorLine_ = nullptr;
    TintedLabel* dictationErrorLabel_ = nullptr;
    QWidget* listeningHint_ = nullptr;
    QWidget* streamingHint_ = nullptr;
    QWidget* actionRow_ = nullptr;
    QWidget* readyHint_ = nullptr;
    QWidget* conversationRow_ = nullptr;

    std::optional<int> lastPhase_;
    qsizetype lastChatCount_ = 0;
    // Timing of the view's motion; none until the view is on screen.
    Platform::Clock* clock_ = nullptr;
    std::chrono::nanoseconds entranceStart_{0};
    std::unique_ptr<Platform::Timer> entranceTicker_;

    struct Fade {
        QPointer<QWidget> row;
        std::chrono::nanoseconds start;
        double response;
    };
    std::optional<double> changeResponse_;
    QList<QWidget*> shownRows_;
    bool haloShown_ = false;
    std::vector<Fade> fades_;
    std::unique_ptr<Platform::Timer> fadeTicker_;
};
