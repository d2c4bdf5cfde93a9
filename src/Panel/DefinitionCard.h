#pragma once

#include <QPointer>
#include <QUuid>
#include <optional>

#include "Actions/ActionDefinitionProposal.h"
#include "Panel/CardFrame.h"

class AssistantSession;
class CardTextField;
class ElidedLabel;
class PanelActions;
class StoredTextPreview;
class QHBoxLayout;
class StyledButton;
class TintedLabel;

// A new action the model proposes: its name, when to use it, how, and for commands and links
// the template, each editable, with the buttons to save it among the user's actions or drop
// it; once saved, a confirmation that names it. Edits and the save reach only the proposal
// the card was built for; the card is built anew when the session takes up another one. A
// command template that every run would refuse says so, and cannot be saved until edited.
class DefinitionCard : public CardFrame {
    Q_OBJECT

public:
    DefinitionCard(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

    // The rows for an action of `kind`: title, the field they edit, and monospaced or not.
    struct Row {
        QString title;
        QString AssistantAction::*field;
        bool monospaced;
    };
    static QList<Row> rows(AssistantAction::Kind kind);
    static QString savedText(const QString& name);
    // The sign under a field whose text takes more lines than it shows.
    static QString moreLines(int total, int shown);

    const std::optional<QUuid>& shownProposal() const { return shownId_; }

private:
    struct Field {
        QString AssistantAction::*member;
        CardTextField* editor;
        // The stored text in full, under an editor that cannot show all of it plainly.
        StoredTextPreview* whole;
    };

    void sync();
    void rebuild(const ActionDefinitionProposal& proposal);
    void present(const ActionDefinitionProposal& proposal);
    AssistantSession* owner() const;
    void edit(QString AssistantAction::*field, const QString& text);
    static void showWhole(const Field& field);
    void save();
    void clear();

    QPointer<AssistantSession> session_;
    PanelActions& actions_;
    std::optional<QUuid> shownId_;
    // A click on save holds the button off for this proposal: settings must never receive
    // the same action twice.
    bool saveClicked_ = false;

    ElidedLabel* kind_ = nullptr;
    QWidget* rowsBox_ = nullptr;
    ElidedLabel* host_ = nullptr;
    TintedLabel* refusal_ = nullptr;
    QList<Field> fields_;
    QWidget* buttonRow_ = nullptr;
    StyledButton* save_ = nullptr;
    QWidget* savedRow_ = nullptr;
    TintedLabel* savedText_ = nullptr;
};
