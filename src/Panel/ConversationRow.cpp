#include "Panel/ConversationRow.h"

#include <QHBoxLayout>

#include "Design/Palette.h"
#include "Design/StyledButton.h"

ConversationRow::ConversationRow(std::function<void()> writeNow,
                                 const StatusLine::Accessory& modeSwitch,
                                 const StatusLine::Accessory& providerChip, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("conversationRow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(8);
    StatusLine::addAccessory(layout, providerChip, this);
    StatusLine::addAccessory(layout, modeSwitch, this);
    layout->addStretch(1);

    LabelRow::Part keys = LabelRow::text(tr("Strg+⏎"));
    keys.color = DS::Palette::white;
    keys.opacity = 0.7;
    // The shortcut works without its hint; the row's other parts keep their width.
    keys.optional = true;
    auto* write = new StyledButton(LabelRow({LabelRow::symbol(QStringLiteral("sparkle")),
                                             LabelRow::text(tr("Antwort schreiben")), keys}),
                                   ButtonStyle::primary(28, 8), this);
    write->setText(tr("Antwort schreiben"));
    write->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    // The keyboard stays in the instruction field; the button answers its shortcut.
    write->setFocusPolicy(Qt::NoFocus);
    connect(write, &QAbstractButton::clicked, this, [writeNow = std::move(writeNow)] {
        if (writeNow)
            writeNow();
    });
    layout->addWidget(write);
    write_ = write;
}
