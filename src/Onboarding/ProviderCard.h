#pragma once

#include <QWidget>

#include "AI/ProviderStatusStore.h"
#include "Settings/ProviderID.h"

class OnboardingCoordinator;
class ElidedLabel;
class StatusDot;

// One AI tool in the onboarding: its tile, its name and state, and the controls that install
// it or sign in. A tap on the card chooses the tool, once it is ready.
class ProviderCard : public QWidget {
    Q_OBJECT

public:
    ProviderCard(OnboardingCoordinator& coordinator, ProviderID id, QWidget* parent = nullptr);

    static QString statusText(ProviderID id, const ProviderStatusStore::State& state);

    ProviderID id() const { return id_; }
    bool isHighlighted() const { return highlighted_; }
    QString shownStatus() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showState();

    OnboardingCoordinator& coordinator_;
    ProviderID id_;
    StatusDot* dot_;
    ElidedLabel* status_;
    bool highlighted_ = false;
    bool pressed_ = false;
};
