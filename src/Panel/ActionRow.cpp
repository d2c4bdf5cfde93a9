#include "Panel/ActionRow.h"

#include <QHBoxLayout>

#include "Design/Palette.h"
#include "Design/StyledButton.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"
#include "Panel/SessionProviderChip.h"

namespace {

LabelRow::Part quiet(LabelRow::Part part) {
    part.color = DS::Palette::tertiary;
    return part;
}

}  // namespace

ActionRow::ActionRow(AssistantSession& session, PanelActions& actions, QWidget* parent)
    : QWidget(parent), actions_(actions) {
    setObjectName(QStringLiteral("actionRow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new SessionProviderChip(session, actions, this), 0, Qt::AlignVCenter);
    layout->addStretch(1);

    copy_ = new StyledButton(
        LabelRow({LabelRow::symbol(QStringLiteral("doc.on.doc")), LabelRow::text(tr("Kopieren"))}),
        ButtonStyle::quiet(), this);
    copy_->setObjectName(QStringLiteral("copyButton"));
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    variant_ =
        new StyledButton(LabelRow({LabelRow::symbol(QStringLiteral("arrow.clockwise")),
                                   LabelRow::text(tr("Neu")), quiet(LabelRow::text(tr("Strg+R")))}),
                         ButtonStyle::secondary(28, 8), this);
    variant_->setObjectName(QStringLiteral("variantButton"));
    variant_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    insert_ = new StyledButton(
        LabelRow({LabelRow::text(tr("Einfügen")), LabelRow::symbol(QStringLiteral("return"))}),
        ButtonStyle::primary(28, 8), this);
    insert_->setObjectName(QStringLiteral("insertButton"));
    insert_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    for (StyledButton* button : {copy_, variant_, insert_}) {
        // The keyboard stays in the instruction field; the buttons answer their shortcuts.
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    connect(copy_, &QAbstractButton::clicked, this, [this] { actions_.copyDraft(); });
    connect(variant_, &QAbstractButton::clicked, this, [this] { actions_.regenerate(); });
    connect(insert_, &QAbstractButton::clicked, this, [this] { actions_.insert(); });
}
