#pragma once

#include <QAbstractButton>

#include "Settings/TonePreset.h"

// One tone preset as a capsule that is on or off; several may be on at once.
class ToneChip : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToneChip(TonePreset preset, QWidget* parent = nullptr);

    TonePreset preset() const { return preset_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont chipFont() const;

    TonePreset preset_;
    bool selected_ = false;
};
