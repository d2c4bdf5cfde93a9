#include "Panel/ActionRow.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"

QString ActionRow::variantRequest() {
    return QStringLiteral("Schreib eine neue Variante der Antwort mit anderer Formulierung.");
}

ActionRow::ActionRow(AssistantSession&, PanelActions& actions, QWidget* parent)
    : QWidget(parent), actions_(actions) {
    setObjectName(QStringLiteral("actionRow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(8);
    layout->addStretch(1);

    copy_ = new QPushButton(tr("Kopieren"), this);
    copy_->setObjectName(QStringLiteral("copyButton"));
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    variant_ = new QPushButton(tr("Neu"), this);
    variant_->setObjectName(QStringLiteral("variantButton"));
    variant_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    insert_ = new QPushButton(tr("Einfügen"), this);
    insert_->setObjectName(QStringLiteral("insertButton"));
    insert_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    for (QAbstractButton* button : {copy_, variant_, insert_}) {
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(copy_, &QAbstractButton::clicked, this, [this] { actions_.copyDraft(); });
    connect(variant_, &QAbstractButton::clicked, this, [this] { askForVariant(); });
    connect(insert_, &QAbstractButton::clicked, this, [this] { actions_.insert(); });
}

void ActionRow::askForVariant() {
    AssistantSession* current = actions_.session();
    if (!current || current->phase().kind() == AssistantSession::Phase::Kind::streaming)
        return;
    actions_.send(variantRequest(), ReplyKind::draft, true);
}
