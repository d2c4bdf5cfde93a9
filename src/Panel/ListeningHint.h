#pragma once

#include <QWidget>

#include "Panel/StatusLine.h"

class ElidedLabel;
class SettingsStore;

// The status line while the panel listens: "Hört zu · Loslassen zum Übernehmen · esc
// Verwerfen" (or "Mikrofon klicken …" without a push-to-talk key), then the provider chip.
class ListeningHint : public QWidget {
    Q_OBJECT

public:
    ListeningHint(const SettingsStore& settings, const StatusLine::Accessory& providerChip,
                  QWidget* parent = nullptr);

    QString howToFinish() const;

private:
    void refresh();

    const SettingsStore& settings_;
    ElidedLabel* finish_;
};
