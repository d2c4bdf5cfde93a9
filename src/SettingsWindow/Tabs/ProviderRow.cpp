#include "SettingsWindow/Tabs/ProviderRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "AI/ProviderSetupServices.h"
#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/StatusDot.h"
#include "Design/TrailingLayout.h"
#include "Design/WrappingLabel.h"

ProviderRow::ProviderRow(ProviderID provider, ProviderSetupServices& status, QWidget* setupControl,
                         QWidget* parent)
    : ProviderRow(provider, status, new QWidget, setupControl, parent) {}

ProviderRow::ProviderRow(ProviderID provider, ProviderSetupServices& status, QWidget* content,
                         QWidget* setupControl, QWidget* parent)
    : ChoiceRow(content, nullptr, parent), provider_(provider), status_(status) {
    auto* texts = new QWidget;
    // A message or a row of buttons in the setup control never cuts the name or the state:
    // the control goes under them when both do not fit side by side.
    new TrailingLayout(content, texts, setupControl, 12);
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* name = new ElidedLabel(displayName(provider));
    name->setFont(DS::Font::system(13, QFont::DemiBold));
    column->addWidget(name);
    auto* statusLine = new QHBoxLayout;
    statusLine->setSpacing(5);
    dot_ = new StatusDot(DS::Palette::warning, 6);
    statusLine->addWidget(dot_, 0, Qt::AlignVCenter);
    statusText_ = new ElidedLabel;
    statusText_->setFont(DS::Font::footnote());
    statusText_->setColor(DS::Palette::secondary);
    statusLine->addWidget(statusText_, 1, Qt::AlignVCenter);
    column->addLayout(statusLine);
    pathNote_ = new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::warningText);
    // It wraps at the width the name and the state leave; its one-line length asks for none.
    QSizePolicy notePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    notePolicy.setHeightForWidth(true);
    pathNote_->setSizePolicy(notePolicy);
    column->addWidget(pathNote_);
    connect(&status_, &ProviderSetupServices::changed, this, &ProviderRow::showStatus);
    showStatus();
}

QString ProviderRow::statusText() const {
    return statusText_->text();
}

QString ProviderRow::pathNote() const {
    return pathNote_->isHidden() ? QString() : pathNote_->text();
}

QString ProviderRow::displayName(ProviderID provider) {
    switch (provider) {
        case ProviderID::codexCLI:
            return QStringLiteral("ChatGPT");
        case ProviderID::claudeCLI:
            break;
    }
    return QStringLiteral("Claude");
}

void ProviderRow::showStatus() {
    const ProviderStatusStore::State state = status_.state(provider_);
    dot_->setColor(state.isReady() ? DS::Palette::success : DS::Palette::warning);
    statusText_->setText(state.longText());
    const QString note = state.pathNote();
    pathNote_->setText(note);
    pathNote_->setVisible(!note.isEmpty());
}
