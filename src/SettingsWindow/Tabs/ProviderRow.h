#pragma once

#include "SettingsWindow/Blocks/ChoiceRow.h"
#include "Settings/ProviderID.h"

class ElidedLabel;
class ProviderSetupServices;
class StatusDot;
class WrappingLabel;

// One AI tool in the AI tab: chosen with a click anywhere on the row, with its name, whether
// it is installed and signed in, and the controls that set it up. It reads the tool's status
// where those controls do.
class ProviderRow : public ChoiceRow {
    Q_OBJECT

public:
    ProviderRow(ProviderID provider, ProviderSetupServices& status, QWidget* setupControl,
                QWidget* parent = nullptr);

    ProviderID provider() const { return provider_; }
    QString statusText() const;
    // Under the status when the typed path names no program; empty otherwise.
    QString pathNote() const;

    // The name shown for a tool in the settings.
    static QString displayName(ProviderID provider);

private:
    ProviderRow(ProviderID provider, ProviderSetupServices& status, QWidget* content,
                QWidget* setupControl, QWidget* parent);
    void showStatus();

    ProviderID provider_;
    ProviderSetupServices& status_;
    StatusDot* dot_ = nullptr;
    ElidedLabel* statusText_ = nullptr;
    WrappingLabel* pathNote_ = nullptr;
};
