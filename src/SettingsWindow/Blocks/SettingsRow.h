#pragma once

#include <QWidget>
#include <optional>

class QHBoxLayout;
class QVBoxLayout;
class WrappingLabel;

// One row of a settings card: a title, an optional subtitle under it and a control at the
// trailing edge.
class SettingsRow : public QWidget {
    Q_OBJECT

public:
    SettingsRow(const QString& title, std::optional<QString> subtitle = std::nullopt,
                QWidget* accessory = nullptr, QWidget* parent = nullptr);

    std::optional<QString> subtitle() const;
    // Rows whose subtitle follows a setting change it in place.
    void setSubtitle(const std::optional<QString>& subtitle);
    void setAccessory(QWidget* accessory);
    QWidget* accessory() const { return accessory_; }

private:
    void updateInsets();

    QHBoxLayout* layout_;
    WrappingLabel* title_;
    WrappingLabel* subtitle_;
    QWidget* accessory_ = nullptr;
};
