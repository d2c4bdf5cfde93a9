#pragma once

#include <QWidget>
#include <optional>

// The heading above a card of settings, with an optional quiet hint on the same baseline
// ("Programmpfade  leer = automatisch").
class SectionTitle : public QWidget {
    Q_OBJECT

public:
    explicit SectionTitle(const QString& title, std::optional<QString> hint = std::nullopt,
                          QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    std::optional<QString> hint_;
};
