#include "SettingsWindow/Tabs/PermissionRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/IconTile.h"
#include "Design/Palette.h"
#include "Design/StatusDot.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Design/WrappingLabel.h"

PermissionRow::PermissionRow(const Description& description, bool compact,
                             std::function<void()> request, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(12);
    layout->addWidget(new IconTile(description.symbol, description.color, 28), 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(4);
    auto* title = new ElidedLabel(description.title);
    title->setFont(DS::Font::system(13, compact ? QFont::DemiBold : QFont::Normal));
    titleLine->addWidget(title);
    if (description.optional && compact) {
        auto* optional = new ElidedLabel(tr("· optional"));
        optional->setFont(DS::Font::body());
        optional->setColor(DS::Palette::tertiary);
        titleLine->addWidget(optional);
    }
    titleLine->addStretch(1);
    texts->addLayout(titleLine);
    texts->addWidget(
        new WrappingLabel(description.detail, DS::Font::footnote(), DS::Palette::secondary));
    obstacle_ = new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::warningText);
    obstacle_->setObjectName(QStringLiteral("permissionObstacle"));
    obstacle_->hide();
    texts->addWidget(obstacle_);
    layout->addLayout(texts, 1);

    grantedLabel_ =
        new SymbolLabel(QStringLiteral("checkmark"), tr("Erlaubt"),
                        DS::Font::system(12.5, QFont::Medium), DS::Palette::successText);
    layout->addWidget(grantedLabel_, 0, Qt::AlignVCenter);
    if (!compact) {
        missingLabel_ = new QWidget;
        auto* missing = new QHBoxLayout(missingLabel_);
        missing->setContentsMargins(0, 0, 0, 0);
        missing->setSpacing(5);
        missing->addWidget(new StatusDot(DS::Palette::warning, 6), 0, Qt::AlignVCenter);
        auto* text = new ElidedLabel(tr("Nicht erlaubt"));
        text->setFont(DS::Font::system(12.5, QFont::Medium));
        text->setColor(DS::Palette::warningText);
        missing->addWidget(text, 0, Qt::AlignVCenter);
        layout->addWidget(missingLabel_, 0, Qt::AlignVCenter);
    }
    const bool quiet = description.optional && compact;
    request_ = new StyledButton(
        tr("Erlauben"), quiet ? ButtonStyle::secondary(26, 7) : ButtonStyle::primary(26, 7));
    connect(request_, &StyledButton::clicked, this, [request = std::move(request)] { request(); });
    layout->addWidget(request_, 0, Qt::AlignVCenter);
    // Start from "not granted" and switch, so that the widgets' visibility is set either way.
    granted_ = true;
    setGranted(false);
}

void PermissionRow::setGranted(bool granted) {
    if (granted == granted_)
        return;
    granted_ = granted;
    grantedLabel_->setVisible(granted);
    if (missingLabel_)
        missingLabel_->setVisible(!granted);
    request_->setVisible(!granted);
    obstacle_->setVisible(!granted && !obstacle_->text().isEmpty());
}

void PermissionRow::setObstacle(const QString& reason, bool canRequest) {
    if (obstacle_->text() != reason)
        obstacle_->setText(reason);
    obstacle_->setVisible(!granted_ && !reason.isEmpty());
    request_->setEnabled(canRequest);
    request_->setToolTip(canRequest ? QString() : reason);
}
