#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "AI/ProviderStatusStore.h"
#include "Settings/ProviderID.h"

class ProviderChip;
class QMenu;

// The chip that names the current AI provider. When another provider is ready too, it
// opens a menu to switch (the current one checked); otherwise it is a plain chip whose
// tooltip says whether the provider is connected. It reads the states through `status`
// whenever refresh() is called (connect it to the status store's change signal) and reports
// a choice through `selected`.
class ProviderMenuChip : public QWidget {
    Q_OBJECT

public:
    using StatusSource = std::function<ProviderStatusStore::State(ProviderID)>;

    // What the chip shows for one pair of current provider and states.
    struct Model {
        struct Entry {
            ProviderID provider;
            QString text;
            bool checked;
            bool operator==(const Entry&) const = default;
        };
        QString name;
        bool isReady = false;
        bool showsMenu = false;
        QString toolTip;  // plain chip only
        QString accessibleName;
        std::vector<Entry> entries;  // menu only
    };

    ProviderMenuChip(ProviderID current, StatusSource status, QWidget* parent = nullptr);

    static QString displayName(ProviderID provider);
    static Model model(ProviderID current, const StatusSource& status);

    void setCurrent(ProviderID current);
    ProviderID current() const { return current_; }
    // Reads the states again.
    void refresh();
    const Model& shownModel() const { return model_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void selected(ProviderID provider);

private:
    void openMenu();

    ProviderID current_;
    StatusSource status_;
    Model model_;
    ProviderChip* chip_;
};
