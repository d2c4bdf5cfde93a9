#include "Design/Waveform.h"

#include <QPainter>
#include <cmath>

#include "Design/AnimationDriver.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

constexpr qreal barWidth = 2.5;
constexpr qreal barSpacing = 2.5;

}  // namespace

Waveform::Waveform(QWidget* parent)
    : QWidget(parent), driver_(new AnimationDriver(this, AnimationDriver::Motion::essential)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    driver_->setWanted(false);
    connect(driver_, &AnimationDriver::ticked, this, [this] {
        if (progress() >= 1)
            driver_->setWanted(false);
    });
}

qreal Waveform::barHeight(float level) {
    double value = static_cast<double>(level);
    if (std::isnan(value))
        value = 0;
    value = std::clamp(value, 0.0, 1.0);
    return (value * 0.65 + 0.35) * frameHeight;
}

double Waveform::progress() const {
    return std::clamp((driver_->seconds() - changedAt_) / easeSeconds, 0.0, 1.0);
}

std::vector<qreal> Waveform::shownHeights() const {
    const double t = progress();
    // Ease-out: fast at first, settling at the new height.
    const double eased = 1 - (1 - t) * (1 - t) * (1 - t);
    std::vector<qreal> heights;
    heights.reserve(levels_.size());
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const qreal target = barHeight(levels_[i]);
        const qreal start = i < from_.size() ? from_[i] : target;
        heights.push_back(start + (target - start) * eased);
    }
    return heights;
}

void Waveform::setLevels(const std::vector<float>& levels) {
    if (levels == levels_)
        return;
    from_ = shownHeights();
    levels_ = levels;
    changedAt_ = driver_->seconds();
    if (levels_.size() != from_.size())
        updateGeometry();
    driver_->setWanted(true);
    update();
}

QSize Waveform::sizeHint() const {
    const std::size_t n = levels_.size();
    const qreal width = n == 0 ? 0 : n * barWidth + (n - 1) * barSpacing;
    return {static_cast<int>(std::ceil(width)), static_cast<int>(frameHeight)};
}

void Waveform::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor accent = DS::Palette::accent.resolve(this);
    const std::vector<qreal> heights = shownHeights();
    const qreal total = heights.empty() ? 0 : heights.size() * (barWidth + barSpacing) - barSpacing;
    qreal x = (width() - total) / 2;
    const qreal middle = height() / 2.0;
    for (const qreal h : heights) {
        RoundedBox::fill(painter, QRectF(x, middle - h / 2, barWidth, h), barWidth / 2, accent);
        x += barWidth + barSpacing;
    }
}
