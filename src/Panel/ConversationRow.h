#pragma once

#include <QWidget>
#include <functional>

#include "Panel/StatusLine.h"

class QAbstractButton;

// The bottom row once a conversation exists and nothing runs: the provider chip, the mode
// switch and "Antwort schreiben" (also on Control+Return), which asks for the draft now.
class ConversationRow : public QWidget {
    Q_OBJECT

public:
    ConversationRow(std::function<void()> writeNow, const StatusLine::Accessory& modeSwitch,
                    const StatusLine::Accessory& providerChip, QWidget* parent = nullptr);

    QAbstractButton* writeButton() const { return write_; }

private:
    QAbstractButton* write_;
};
