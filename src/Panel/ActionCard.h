#pragma once

#include <QMap>
#include <QPointer>
#include <QUuid>
#include <optional>

#include "Actions/ActionProposal.h"
#include "Panel/CardFrame.h"
#include "Projects/Project.h"

class AssistantSession;
class CardTextField;
class ElidedLabel;
class QHBoxLayout;
class PanelActions;
class StoredTextPreview;
class StyledButton;
class SymbolLabel;
class TintedLabel;

// The proposed run of an action: what it is and would touch, its parameters to edit in place,
// and the buttons to run or discard it; after a run, its outcome. A command whose template
// every run would refuse says so instead of offering to run. The card draws the session's
// proposal and writes edits back into it, but only into the proposal it was built for: when
// the session takes up another proposal the card is built anew, so an edit or a click meant
// for the old one never lands on the new one.
class ActionCard : public CardFrame {
    Q_OBJECT

public:
    ActionCard(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

    // The parameters the card offers for editing, in order: the runner's fixed ones for the
    // GitHub kinds, else the action's own.
    static QStringList fieldKeys(const AssistantAction& action);
    static QString fieldLabel(const QString& key);
    static QString primaryTitle(AssistantAction::Kind kind);
    static QString symbol(AssistantAction::Kind kind);
    // What the card says under the repository when it is not the project's; none when it is.
    static std::optional<QString> repoNotice(const QString& repo,
                                             const std::optional<Project>& project);

    // The proposal the card is built for; none while the session holds none.
    const std::optional<QUuid>& shownProposal() const { return shownId_; }

private:
    void sync();
    void rebuild(const ActionProposal& proposal);
    void present(const ActionProposal& proposal);
    // The application's current session when it still holds the proposal this card shows.
    AssistantSession* owner() const;
    void edit(const QString& key, const QString& text);
    void run();
    void clear();
    void openLink();

    QPointer<AssistantSession> session_;
    PanelActions& actions_;
    std::optional<QUuid> shownId_;
    // Set by a click on the run button until the proposal's status moves on, so that a
    // second click before the application has marked the run cannot start another.
    std::optional<ActionProposal::Status> runClickedAt_;
    std::optional<QUrl> link_;

    QHBoxLayout* header_ = nullptr;
    SymbolLabel* symbol_ = nullptr;
    ElidedLabel* name_ = nullptr;
    StoredTextPreview* preview_ = nullptr;
    ElidedLabel* host_ = nullptr;
    TintedLabel* repoNotice_ = nullptr;
    QWidget* outcome_ = nullptr;
    TintedLabel* outcomeMessage_ = nullptr;
    StyledButton* openLink_ = nullptr;
    QWidget* fieldsBox_ = nullptr;
    QMap<QString, CardTextField*> fields_;
    TintedLabel* failure_ = nullptr;
    TintedLabel* refusal_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    StyledButton* run_ = nullptr;
};
