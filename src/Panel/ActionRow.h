#pragma once

#include <QWidget>

class AssistantSession;
class PanelActions;
class QAbstractButton;
class QHBoxLayout;

// The bottom row after a finished reply: the provider chip, then copy, a new variant and insert,
// each also on its Control shortcut while the row is shown.
class ActionRow : public QWidget {
    Q_OBJECT

public:
    // The fixed request behind "Neu".
    static QString variantRequest();

    ActionRow(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

    QAbstractButton* copyButton() const { return copy_; }
    QAbstractButton* variantButton() const { return variant_; }
    QAbstractButton* insertButton() const { return insert_; }

private:
    void askForVariant();

    PanelActions& actions_;
    QAbstractButton* copy_ = nullptr;
    QAbstractButton* variant_ = nullptr;
    QAbstractButton* insert_ = nullptr;
};
