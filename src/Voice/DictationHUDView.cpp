#include "Voice/DictationHUDView.h"

#include "Voice/DictationHUD.h"
#include "Voice/QuickDictationModel.h"

DictationHUDView::DictationHUDView(QuickDictationModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(DictationHUD::kSize.toSize());
}
