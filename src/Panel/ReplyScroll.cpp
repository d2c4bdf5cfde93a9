#include "Panel/ReplyScroll.h"

#include <QEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "Design/ThinScrollBar.h"

ReplyScroll::ReplyScroll(int spacing, QWidget* parent) : QScrollArea(parent), column_(new QWidget) {
    setObjectName(QStringLiteral("replies"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(column_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    // The replies lie on the panel's tint.
    DS::useClearScrollView(*this, *column_);
    column_->installEventFilter(this);

    QScrollBar* bar = verticalScrollBar();
    // Scrolled by the user: the newest reply is no longer pulled back into view, until the
    // user comes back to it.
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] {
        if (!scrolling_)
            followNewest_ = false;
    });
    connect(bar, &QAbstractSlider::valueChanged, this, [this](int value) {
        if (!scrolling_ && value >= newestTarget())
            followNewest_ = true;
    });
    connect(bar, &QAbstractSlider::rangeChanged, this, [this] { showNewest(); });
}

QVBoxLayout* ReplyScroll::columnLayout() const {
    return static_cast<QVBoxLayout*>(column_->layout());
}

int ReplyScroll::desiredHeight() const {
    // Uncapped the view shows no bar, so the column has the view's whole width.
    const int width = this->width();
    if (column_->hasHeightForWidth() && width > 0)
        return column_->heightForWidth(width);
    return column_->sizeHint().height();
}

void ReplyScroll::setHeightCap(std::optional<int> cap) {
    if (heightCap_ == cap)
        return;
    heightCap_ = cap;
    fit();
}

void ReplyScroll::setNewest(QWidget* section) {
    if (newest_ == section)
        return;
    newest_ = section;
    followNewest_ = true;
    showNewest();
}

void ReplyScroll::followNewest() {
    followNewest_ = true;
    showNewest();
}

bool ReplyScroll::eventFilter(QObject* watched, QEvent* event) {
    // A section asks for another height: a reply grew, a card came or went.
    if (watched == column_ && event->type() == QEvent::LayoutRequest) {
        fit();
        showNewest();
    }
    return QScrollArea::eventFilter(watched, event);
}

void ReplyScroll::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    fit();
    showNewest();
}

void ReplyScroll::fit() {
    const int desired = desiredHeight();
    int height = desired;
    if (heightCap_)
        height = std::min(height, std::max(0, *heightCap_));
    if (minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
    // Capped, the view keeps its height whatever the column asks, and the panel's layout hears
    // nothing of it: what the column lacks is told here.
    if (desired != desired_) {
        desired_ = desired;
        emit desiredHeightChanged(desired);
    }
}

int ReplyScroll::newestTarget() const {
    const QScrollBar* bar = verticalScrollBar();
    if (!newest_ || !newest_->isVisibleTo(column_))
        return bar->maximum();
    // Whole when it fits, with the column's end; else its top at the top.
    return std::min(newest_->mapTo(column_, QPoint(0, 0)).y(), bar->maximum());
}

void ReplyScroll::showNewest() {
    if (!followNewest_)
        return;
    scrolling_ = true;
    verticalScrollBar()->setValue(newestTarget());
    scrolling_ = false;
}
