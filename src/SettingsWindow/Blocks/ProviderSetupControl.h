#pragma once

#include <QWidget>

#include "AI/ProviderSetupServices.h"

class QBoxLayout;

// The end of a provider's row in the onboarding and the AI settings: in the space of a
// button, what can be done next for one tool. The setup phase decides first (progress while
// installing, the browser sign-in with its page and "Abbrechen", a failure with its message
// and, for a tool that is there, "Im Terminal anmelden"); in the idle and failed phases the
// status picks the button (spinner, "Installieren", "Anmelden", "Verbunden" or
// "Neu anmelden"). It holds no state: it redraws whenever the services report a change.
class ProviderSetupControl : public QWidget {
    Q_OBJECT

public:
    // `compact` shows a working tool as a "Verbunden" mark instead of a "Neu anmelden"
    // button; nothing else depends on it.
    ProviderSetupControl(ProviderID id, ProviderSetupServices& services, bool compact,
                         QWidget* parent = nullptr);

    ProviderID id() const { return id_; }

private:
    void rebuild();
    void addPrimary(QBoxLayout* layout);
    void addProgress(QBoxLayout* layout, const QString& text);

    ProviderID id_;
    ProviderSetupServices& services_;
    bool compact_;
    QWidget* content_ = nullptr;
};
