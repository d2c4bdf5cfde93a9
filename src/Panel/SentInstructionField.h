#pragma once

#include <QWidget>
#include <optional>

class AssistantSession;
class PanelActions;
class ElidedLabel;
class FieldIconButton;

// Stands in for the instruction field while a reply arrives: what was sent, read-only, and the
// button that stops the reply.
class SentInstructionField : public QWidget {
    Q_OBJECT

public:
    SentInstructionField(AssistantSession& session, PanelActions& actions,
                         QWidget* parent = nullptr);

    void setCompact(bool compact);

    // "Antwortet …" while a conversation reply arrives; else the sent instruction, or
    // "Vorschlag" when a blank one was sent.
    static QString text(const AssistantSession& session);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the field shows; a reply growing changes none of it.
    struct Look {
        QString text;
        bool answering = false;
        bool compact = false;
        bool operator==(const Look&) const = default;
    };

    void refresh();

    AssistantSession& session_;
    PanelActions& actions_;
    bool compact_ = false;
    std::optional<Look> shown_;
    ElidedLabel* label_ = nullptr;
    FieldIconButton* stop_ = nullptr;
};
