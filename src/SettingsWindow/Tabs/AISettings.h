#pragma once

#include <QWidget>

#include "Settings/ProviderID.h"

class ConnectionTest;
class ProviderRow;
class SettingsCoordinator;
class SettingsRow;
class SettingsTextField;
class StyledButton;
class ValuePicker;

// The "KI" tab: which AI tool answers and whether it is ready, the model, what context is
// sent along, where the tools are installed, and a test of the connection.
class AISettings : public QWidget {
    Q_OBJECT

public:
    explicit AISettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);
    ~AISettings() override;

    ProviderRow* providerRow(ProviderID provider) const;
    ValuePicker* claudeModelPicker() const { return claudeModel_; }
    SettingsTextField* codexModelField() const { return codexModel_; }
    // The "Programmpfade" fields, in the order of the providers.
    SettingsTextField* pathField(ProviderID provider) const {
        return pathFields_.at(allProviderIDs().indexOf(provider));
    }
    // Their rows, which say under the field when the typed path names no program.
    SettingsRow* pathRow(ProviderID provider) const {
        return pathRows_.at(allProviderIDs().indexOf(provider));
    }
    SettingsRow* testRow() const { return testRow_; }
    StyledButton* testButton() const { return testButton_; }
    ConnectionTest& connectionTest() const { return *test_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showSettings();
    void showTest();
    void showPathNotes();

    SettingsCoordinator& coordinator_;
    ConnectionTest* test_;
    QList<ProviderRow*> providerRows_;
    ValuePicker* claudeModel_ = nullptr;
    SettingsTextField* codexModel_ = nullptr;
    QList<SettingsTextField*> pathFields_;
    QList<SettingsRow*> pathRows_;
    SettingsRow* testRow_ = nullptr;
    StyledButton* testButton_ = nullptr;
};
