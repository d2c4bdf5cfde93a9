#include "Panel/ActionCard.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ActionRunner/ActionRunner.h"
#include "ActionRunner/ActionTarget.h"
#include "Actions/TemplateRefusal.h"
#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Panel/AssistantSession.h"
#include "Panel/CardTextField.h"
#include "Panel/PanelActions.h"
#include "Panel/StoredTextPreview.h"
#include "Panel/TintedLabel.h"
#include "Platform/DirectionControls.h"
#include "Platform/UrlOpener.h"

namespace {

using ActionKind = AssistantAction::Kind;

template <typename T>
bool holds(const ActionProposal::Status& status) {
    return std::holds_alternative<T>(status);
}

bool isGitHub(ActionKind kind) {
    return kind == ActionKind::githubIssue || kind == ActionKind::githubComment;
}

}  // namespace

ActionCard::ActionCard(AssistantSession& session, PanelActions& actions, QWidget* parent)
    : CardFrame(DS::Palette::accent, 0.35, 1, 10, parent), session_(&session), actions_(actions) {
    setObjectName(QStringLiteral("actionCardView"));
    QVBoxLayout* column = this->column();

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header_ = header;
    name_ = line(DS::Font::system(13, QFont::DemiBold), DS::Palette::label, this);
    name_->setObjectName(QStringLiteral("actionName"));
    header->addWidget(name_);
    header->addStretch(1);
    column->addLayout(header);

    // The command or the address in full, every line of it, wrapped rather than cut.
    preview_ = new StoredTextPreview(DS::Palette::secondary, this);
    preview_->setObjectName(QStringLiteral("actionPreview"));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    preview_->setFont(mono);
    column->addWidget(preview_);
    host_ = line(DS::Font::system(12.5, QFont::Medium), DS::Palette::label, this);
    host_->setObjectName(QStringLiteral("actionHost"));
    column->addWidget(host_);

    outcome_ = new QWidget(this);
    outcome_->setObjectName(QStringLiteral("actionOutcome"));
    auto* outcomeRow = new QHBoxLayout(outcome_);
    outcomeRow->setContentsMargins(0, 0, 0, 0);
    outcomeRow->setSpacing(8);
    QWidget* message = successLine(outcomeMessage_, outcome_);
    outcomeMessage_->setObjectName(QStringLiteral("actionOutcomeMessage"));
    outcomeRow->addWidget(message, 1, Qt::AlignVCenter);
    openLink_ = button(tr("Öffnen"), ButtonStyle::secondary(26, 7), "openOutcome", outcome_);
    connect(openLink_, &QAbstractButton::clicked, this, &ActionCard::openLink);
    outcomeRow->addWidget(openLink_);
    auto* finished = button(tr("Fertig"), ButtonStyle::secondary(26, 7), "finishAction", outcome_);
    connect(finished, &QAbstractButton::clicked, this, &ActionCard::clear);
    outcomeRow->addWidget(finished);
    column->addWidget(outcome_);

    fieldsBox_ = new QWidget(this);
    auto* fields = new QVBoxLayout(fieldsBox_);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setSpacing(10);
    column->addWidget(fieldsBox_);

    failure_ = errorText("actionFailure", this);
    column->addWidget(failure_);
    refusal_ = errorText("actionRefusal", this);
    column->addWidget(refusal_);

    buttonRow_ = new QWidget(this);
    auto* buttons = new QHBoxLayout(buttonRow_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(8);
    buttons->addStretch(1);
    auto* discard =
        button(tr("Verwerfen"), ButtonStyle::secondary(26, 7), "discardAction", buttonRow_);
    connect(discard, &QAbstractButton::clicked, this, &ActionCard::clear);
    buttons->addWidget(discard);
    run_ = button(QString(), ButtonStyle::primary(26, 7), "runAction", buttonRow_);
    connect(run_, &QAbstractButton::clicked, this, &ActionCard::run);
    buttons->addWidget(run_);
    column->addWidget(buttonRow_);

    connect(&session, &AssistantSession::actionProposalChanged, this, &ActionCard::sync);
    connect(&session, &AssistantSession::projectChanged, this, &ActionCard::sync);
    sync();
}

QStringList ActionCard::fieldKeys(const AssistantAction& action) {
    const QStringList fixed = fixedParameters(action.kind);
    // Where the user's text is published is theirs to see and change, whoever proposed it.
    if (isGitHub(action.kind))
        return QStringList{QStringLiteral("repo")} + fixed;
    return fixed.isEmpty() ? action.parameters : fixed;
}

std::optional<QString> ActionCard::repoNotice(const QString& repo,
                                              const std::optional<Project>& project) {
    const QString own = project ? project->repo.value_or(QString()) : QString();
    if (repo.isEmpty() || repo == own)
        return std::nullopt;
    if (own.isEmpty())
        return tr("Kein Projekt-Repo gewählt: Prüfe, ob dieses Repo stimmt.");
    return tr("Nicht das Repo des Projekts „%1“ (%2).").arg(project->name, own);
}

QString ActionCard::fieldLabel(const QString& key) {
    static const QMap<QString, const char*> labels{{QStringLiteral("title"), "Titel"},
                                                   {QStringLiteral("body"), "Beschreibung"},
                                                   {QStringLiteral("labels"), "Labels"},
                                                   {QStringLiteral("issue"), "Issue-Nr."},
                                                   {QStringLiteral("repo"), "Repo"}};
    const auto found = labels.find(key);
    return found == labels.end() ? key : tr(found.value());
}

QString ActionCard::primaryTitle(ActionKind kind) {
    switch (kind) {
        case ActionKind::githubIssue:
            return tr("Issue erstellen");
        case ActionKind::githubComment:
            return tr("Kommentar posten");
        case ActionKind::shell:
            return tr("Ausführen");
        case ActionKind::openURL:
            return tr("Öffnen");
    }
    return {};
}

QString ActionCard::symbol(ActionKind kind) {
    switch (kind) {
        case ActionKind::githubIssue:
            return QStringLiteral("exclamationmark.circle");
        case ActionKind::githubComment:
            return QStringLiteral("text.bubble");
        case ActionKind::shell:
            return QStringLiteral("terminal");
        case ActionKind::openURL:
            return QStringLiteral("link");
    }
    return {};
}

void ActionCard::sync() {
    if (!session_)
        return;
    const std::optional<ActionProposal>& proposal = session_->actionProposal();
    if (!proposal) {
        // The panel hides the card; whatever comes next is built afresh.
        shownId_.reset();
        return;
    }
    if (shownId_ != proposal->id)
        rebuild(*proposal);
    present(*proposal);
}

void ActionCard::rebuild(const ActionProposal& proposal) {
    shownId_ = proposal.id;
    runClickedAt_.reset();
    // The symbol belongs to the action's kind, which only a new proposal can change.
    delete symbol_;
    symbol_ = new SymbolLabel(symbol(proposal.action.kind), QString(), DS::Font::system(13),
                              DS::Palette::accentText, this);
    header_->insertWidget(0, symbol_);
    symbol_->show();
    for (CardTextField* field : fields_)
        delete field->parentWidget();
    fields_.clear();
    repoNotice_ = nullptr;
    for (const QString& key : fieldKeys(proposal.action)) {
        auto* box = new QWidget(fieldsBox_);
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(3);
        ElidedLabel* label = line(DS::Font::hint(), DS::Palette::tertiary, box);
        label->setText(fieldLabel(key));
        if (key == QLatin1String("repo") && isGitHub(proposal.action.kind)) {
            // Said beside the field's name, on the line the card already has for it.
            auto* titleRow = new QHBoxLayout;
            titleRow->setContentsMargins(0, 0, 0, 0);
            titleRow->setSpacing(8);
            label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            titleRow->addWidget(label, 0, Qt::AlignTop);
            repoNotice_ = errorText("actionRepoNotice", box);
            titleRow->addWidget(repoNotice_, 1);
            layout->addLayout(titleRow);
        } else {
            layout->addWidget(label);
        }
        const bool body = key == QLatin1String("body");
        auto* field = new CardTextField(
            body ? CardTextField::Shape::editor : CardTextField::Shape::line, false, box);
        field->setObjectName(QStringLiteral("field:") + key);
        field->setLabel(fieldLabel(key));
        connect(field, &CardTextField::edited, this,
                [this, key](const QString& text) { edit(key, text); });
        layout->addWidget(field);
        fieldsBox_->layout()->addWidget(box);
        // At once, not on the layout's next pass: the card must never show a frame without them.
        box->show();
        fields_.insert(key, field);
    }
}

void ActionCard::present(const ActionProposal& proposal) {
    const ActionProposal::Status& status = proposal.status;
    if (runClickedAt_ && status != *runClickedAt_)
        runClickedAt_.reset();

    const ActionKind kind = proposal.action.kind;
    const auto* done = std::get_if<ActionProposal::Done>(&status);
    name_->setText(DirectionControls::shown(proposal.action.displayName()));
    // The GitHub kinds show their repository as a field of its own.
    const std::optional<QString> preview =
        isGitHub(kind)
            ? std::nullopt
            : ActionRunner::preview(proposal.action, proposal.params, session_->project());
    preview_->setStoredText(preview.value_or(QString()));
    preview_->setVisible(preview.has_value() && !done);
    std::optional<QString> host;
    if (kind == ActionKind::openURL) {
        const auto finished = ActionTarget::link(proposal.action, proposal.params);
        // A mail or file link goes to no server, and says none.
        if (const auto* link = std::get_if<ActionTarget::Link>(&finished);
            link && !link->host.isEmpty())
            host = link->host;
    }
    host_->setText(host ? tr("Server: %1").arg(*host) : QString());
    host_->setVisible(host && !done);

    outcome_->setVisible(done != nullptr);
    fieldsBox_->setVisible(!done);
    buttonRow_->setVisible(!done);
    if (done) {
        outcomeMessage_->setText(done->message);
        link_ = done->url;
        openLink_->setVisible(done->url.has_value());
    }
    for (auto it = fields_.begin(); it != fields_.end(); ++it)
        it.value()->setText(proposal.params.value(it.key()));
    if (CardTextField* repo = fields_.value(QStringLiteral("repo")); repo && isGitHub(kind)) {
        // An empty field leaves the choice to the project, whose repository it shows greyed.
        const std::optional<Project>& project = session_->project();
        repo->setPlaceholder(project ? project->repo.value_or(QString()) : QString());
        const std::optional<QString> notice = repoNotice(
            ActionTarget::repository(proposal.params, project).value_or(QString()), project);
        repoNotice_->setText(notice.value_or(QString()));
        repoNotice_->setVisible(notice.has_value());
    }
    const auto* failed = std::get_if<ActionProposal::Failed>(&status);
    failure_->setText(failed ? failed->message : QString());
    failure_->setVisible(failed != nullptr);
    // A template every run would refuse is said before the click, and nothing offers to run
    // it; nor do values that do not name one target plainly (a host moved, two issue numbers),
    // until they are edited into ones that do.
    std::optional<QString> refusal = templateRefusal(proposal.action);
    if (!refusal)
        refusal = ActionTarget::refusal(proposal.action, proposal.params);
    refusal_->setText(refusal.value_or(QString()));
    refusal_->setVisible(refusal && !done);

    const bool running = holds<ActionProposal::Running>(status);
    const QString title = primaryTitle(proposal.action.kind);
    if (running) {
        LabelRow::Part label = LabelRow::text(title);
        run_->setLabel(LabelRow({LabelRow::spinner(), label}, 6));
    } else {
        run_->setLabelText(title);
    }
    run_->setEnabled(!running && !runClickedAt_ && !refusal);
}

AssistantSession* ActionCard::owner() const {
    AssistantSession* current = actions_.session();
    if (!current || !shownId_ || !current->actionProposal() ||
        current->actionProposal()->id != *shownId_)
        return nullptr;
    return current;
}

void ActionCard::edit(const QString& key, const QString& text) {
    AssistantSession* current = owner();
    if (!current)
        return;
    ActionProposal proposal = *current->actionProposal();
    proposal.params.insert(key, text);
    current->setActionProposal(std::move(proposal));
}

void ActionCard::run() {
    AssistantSession* current = owner();
    if (!current || runClickedAt_ ||
        holds<ActionProposal::Running>(current->actionProposal()->status) ||
        templateRefusal(current->actionProposal()->action) ||
        ActionTarget::refusal(current->actionProposal()->action, current->actionProposal()->params))
        return;
    runClickedAt_ = current->actionProposal()->status;
    run_->setEnabled(false);
    actions_.runAction();
}

void ActionCard::clear() {
    if (AssistantSession* current = owner())
        current->setActionProposal(std::nullopt);
}

void ActionCard::openLink() {
    Platform::UrlOpener* opener = actions_.urlOpener();
    if (link_ && opener)
        opener->open(*link_);
}
