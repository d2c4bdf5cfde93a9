#pragma once

#include <QWidget>

class AssistantSession;
class PanelActions;
class StyledButton;

// The bottom row after a finished reply: the provider chip, then copy, a new variant and insert,
// each also on its Control shortcut while the row is shown.
class ActionRow : public QWidget {
    Q_OBJECT

public:
    ActionRow(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

    StyledButton* copyButton() const { return copy_; }
    StyledButton* variantButton() const { return variant_; }
    StyledButton* insertButton() const { return insert_; }

private:
    PanelActions& actions_;
    StyledButton* copy_ = nullptr;
    StyledButton* variant_ = nullptr;
    StyledButton* insert_ = nullptr;
};
