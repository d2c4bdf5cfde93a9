#include "Panel/ModeSwitch.h"

#include <QHBoxLayout>
#include <QPainter>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

constexpr int kSegmentHeight = 18;
constexpr int kSegmentPadding = 8;
constexpr int kInset = 2;

}  // namespace

ModeSwitch::Segment::Segment(AssistantSession::Mode mode, QWidget* parent)
    : QAbstractButton(parent), mode_(mode) {
    setObjectName(QStringLiteral("mode_") + rawValue(mode));
    setText(title(mode));
    // Checked is how assistive technology hears which mode is the selected one.
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

QFont ModeSwitch::Segment::labelFont() const {
    return DS::Font::system(11, isChecked() ? QFont::DemiBold : QFont::Normal);
}

QSize ModeSwitch::Segment::sizeHint() const {
    // As wide as the bold label, so that the switch keeps its width when the choice moves.
    const QFontMetricsF bold(DS::Font::system(11, QFont::DemiBold));
    return {qCeil(bold.horizontalAdvance(text())) + 2 * kSegmentPadding, kSegmentHeight};
}

void ModeSwitch::Segment::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isChecked())
        RoundedBox::fill(painter, rect(), height() / 2.0, DS::Palette::card.resolve(this));
    painter.setFont(labelFont());
    painter.setPen(isChecked() ? DS::Palette::label.resolve(this)
                               : DS::Palette::tertiary.resolve(this));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

ModeSwitch::ModeSwitch(AssistantSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("modeSwitch"));
    setToolTip(tr("Auto: Ich erkenne selbst, ob du etwas besprechen oder einen Text willst."));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kInset, kInset, kInset, kInset);
    layout->setSpacing(2);
    for (AssistantSession::Mode mode : allModes()) {
        auto* segment = new Segment(mode, this);
        segments_.append(segment);
        layout->addWidget(segment);
        connect(segment, &QAbstractButton::clicked, this, [this, mode] {
            session_.setMode(mode);
            // A click on the chosen mode would uncheck it; the session's mode says otherwise.
            refresh();
        });
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&session_, &AssistantSession::modeChanged, this, &ModeSwitch::refresh);
    refresh();
}

void ModeSwitch::refresh() {
    for (Segment* segment : segments_)
        segment->setChecked(segment->mode() == session_.mode());
    update();
}

void ModeSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), height() / 2.0, DS::Palette::fill.resolve(this));
}
