#pragma once

#include <QWidget>

#include "Panel/StatusLine.h"

class AssistantSession;
class ElidedLabel;

// The status line while the panel listens: "Hört zu · Loslassen zum Übernehmen · esc
// Verwerfen" while a key is held for it ("Mikrofon klicken …" after a click on the microphone,
// where nothing is held), then the provider chip.
class ListeningHint : public QWidget {
    Q_OBJECT

public:
    ListeningHint(const AssistantSession& session, const StatusLine::Accessory& providerChip,
                  QWidget* parent = nullptr);

    QString howToFinish() const;

private:
    void refresh();

    const AssistantSession& session_;
    ElidedLabel* finish_;
};
