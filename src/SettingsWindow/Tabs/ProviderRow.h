#pragma once

#include "SettingsWindow/Blocks/ChoiceRow.h"
#include "Settings/ProviderID.h"

class ElidedLabel;
class ProviderStatusStore;
class StatusDot;

// One AI tool in the AI tab: chosen with a click anywhere on the row, with its name, whether
// it is installed and signed in, and the controls that set it up.
class ProviderRow : public ChoiceRow {
    Q_OBJECT

public:
    ProviderRow(ProviderID provider, ProviderStatusStore& status, QWidget* setupControl,
                QWidget* parent = nullptr);

    ProviderID provider() const { return provider_; }
    QString statusText() const;

    // The name shown for a tool in the settings.
    static QString displayName(ProviderID provider);

private:
    ProviderRow(ProviderID provider, ProviderStatusStore& status, QWidget* texts,
                QWidget* setupControl, QWidget* parent);
    void showStatus();

    ProviderID provider_;
    ProviderStatusStore& status_;
    StatusDot* dot_ = nullptr;
    ElidedLabel* statusText_ = nullptr;
};
