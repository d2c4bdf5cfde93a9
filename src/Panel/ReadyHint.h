#pragma once

#include <QPointer>
#include <QWidget>

#include "Panel/StatusLine.h"

class AssistantSession;
class ElidedLabel;

// The status line before anything is asked: "⏎ Senden · esc Schließen" (the verb follows the
// mode), then the mode switch and the provider chip.
class ReadyHint : public QWidget {
    Q_OBJECT

public:
    ReadyHint(AssistantSession& session, const StatusLine::Accessory& modeSwitch,
              const StatusLine::Accessory& providerChip, QWidget* parent = nullptr);

    QString verb() const;

private:
    void refresh();

    QPointer<AssistantSession> session_;
    ElidedLabel* verb_;
};
