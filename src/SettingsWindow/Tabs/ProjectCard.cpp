#include "SettingsWindow/Tabs/ProjectCard.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "Design/StyledButton.h"
#include "Platform/FolderChooser.h"
#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/SingleClick.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/RepoLookup.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

namespace {

constexpr int projectFieldWidth = 260;

}  // namespace

ProjectCard::ProjectCard(SettingsCoordinator& coordinator, const Project& project, QWidget* parent)
    : QWidget(parent),
      coordinator_(coordinator),
      id_(project.id),
      name_(new SettingsTextField(QString(), projectFieldWidth)),
      folderRow_(nullptr),
      choose_(new StyledButton(tr("Wählen …"), ButtonStyle::secondary(26, 7))),
      clearFolder_(new StyledButton(tr("Entfernen"), ButtonStyle::quiet())),
      repo_(new SettingsTextField(tr("z. B. %1").arg(QStringLiteral("octocat/hello-world")),
                                  projectFieldWidth)),
      keywords_(new SettingsTextField(tr("Gruppe, Website, Produkt …"), projectFieldWidth)),
      readsCode_(new SwitchToggle),
      remove_(new StyledButton(tr("Projekt entfernen"), ButtonStyle::quiet())) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 0);
    auto* card = new SettingsCard;
    layout->addWidget(card);

    card->addRow(new SettingsRow(tr("Name"), std::nullopt, name_));
    auto* folderButtons = new QWidget;
    auto* folderLayout = new QHBoxLayout(folderButtons);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    folderLayout->setSpacing(6);
    folderLayout->addWidget(choose_);
    folderLayout->addWidget(clearFolder_);
    folderRow_ = new SettingsRow(tr("Ordner"), QString(), folderButtons);
    card->addRow(folderRow_);
    card->addRow(new SettingsRow(tr("GitHub-Repo"), std::nullopt, repo_));
    card->addRow(
        new SettingsRow(tr("Erkennen an"), tr("Stichworte, mit Komma getrennt"), keywords_));
    card->addRow(new SettingsRow(tr("Code lesen"), tr("KI darf im Ordner nachsehen (nur lesen)"),
                                 readsCode_));
    auto* footer = new QWidget;
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(8, 4, 8, 4);
    footerLayout->addStretch(1);
    footerLayout->addWidget(remove_);
    card->addRow(footer);

    connect(name_, &SettingsTextField::edited, this,
            [this](const QString& text) { edit([&](Project& p) { p.name = text; }); });
    connect(repo_, &SettingsTextField::edited, this, [this](const QString& text) {
        // Stored as typed; an empty field means no repository, so a later folder choice may
        // fill it in.
        edit([&](Project& p) { p.repo = text.isEmpty() ? std::nullopt : std::optional(text); });
    });
    connect(keywords_, &SettingsTextField::edited, this, &ProjectCard::saveKeywords);
    connect(keywords_, &QLineEdit::returnPressed, this, &ProjectCard::saveKeywords);
    connect(readsCode_, &SwitchToggle::clicked, this,
            [this](bool on) { edit([&](Project& p) { p.readsCode = on; }); });
    connect(clearFolder_, &StyledButton::clicked, this,
            [this] { edit([](Project& p) { p.path.reset(); }); });
    connect(choose_, &StyledButton::clicked, this, &ProjectCard::chooseFolder);
    SingleClick::guard(remove_);
    SingleClick::guard(clearFolder_);
    // Queued: the press must not delete the card it is delivered to.
    connect(
        remove_, &StyledButton::clicked, this,
        [this] {
            coordinator_.settings().update([&](AssistantSettings& s) {
                s.projects.removeIf([&](const Project& p) { return p.id == id_; });
            });
        },
        Qt::QueuedConnection);

    keywords_->setText(project.keywords.join(QStringLiteral(", ")));
    display(project);
    // The stored keywords take the normalised form as soon as the card is shown.
    saveKeywords();
}

void ProjectCard::display(const Project& project) {
    name_->setValue(project.name);
    folderRow_->setSubtitle(project.path ? abbreviated(*project.path, QDir::homePath())
                                         : tr("kein Ordner – die KI sieht keinen Code"));
    clearFolder_->setVisible(project.path.has_value());
    repo_->setValue(project.repo.value_or(QString()));
    readsCode_->setChecked(project.readsCode);
    readsCode_->setEnabled(project.path.has_value());
}

QString ProjectCard::abbreviated(const QString& path, const QString& home) {
    if (home.isEmpty() || home == QLatin1String("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

QStringList ProjectCard::keywords(const QString& text) {
    QStringList pieces;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        qsizetype start = 0;
        qsizetype end = piece.size();
        // Spaces of every kind (a no-break space pasted from a web page) and tabs; a line
        // break is part of what the user typed.
        const auto blank = [](QChar c) {
            return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
        };
        while (start < end && blank(piece[start]))
            ++start;
        while (end > start && blank(piece[end - 1]))
            --end;
        if (end > start)
            pieces.append(piece.mid(start, end - start));
    }
    return pieces;
}

template <typename Edit>
void ProjectCard::edit(Edit&& change) {
    coordinator_.settings().update([&](AssistantSettings& s) {
        for (Project& p : s.projects)
            if (p.id == id_) {
                change(p);
                return;
            }
    });
}

void ProjectCard::saveKeywords() {
    const QStringList pieces = keywords(keywords_->text());
    edit([&](Project& p) { p.keywords = pieces; });
}

void ProjectCard::chooseFolder() {
    // The folder dialog runs a loop of its own; the list rebuilds its cards whenever the projects
    // change, which can happen meanwhile.
    const QPointer<ProjectCard> self(this);
    // Left to itself the dialog would open in the folder Tavrin was started from, which means
    // nothing to the user, under an English title of Qt's own.
    const std::optional<QString> folder =
        coordinator_.folderChooser().chooseFolder(tr("Ordner wählen"), QDir::homePath());
    if (!self || !folder)
        return;
    bool lookUp = false;
    edit([&](Project& p) {
        p.path = *folder;
        lookUp = !p.repo.has_value();
    });
    if (lookUp)
        RepoLookup::start(coordinator_.settings(), id_, *folder, coordinator_.repoDetector());
}
