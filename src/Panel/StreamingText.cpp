#include "Panel/StreamingText.h"

#include <QPainter>
#include <QTextLayout>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelTexts.h"
#include "Platform/Clock.h"

namespace {

const QString kCursor = QStringLiteral("\u258E");
// The reference date the blink counts from: 2001-01-01 00:00 UTC.
const QDateTime kReference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

}  // namespace

struct StreamingText::Laid {
    std::unique_ptr<QTextLayout> layout;
    qreal height = 0;
};

StreamingText::StreamingText(AssistantSession& session, Platform::Clock& clock, QWidget* parent)
    : QWidget(parent), session_(&session), clock_(clock) {
    setObjectName(QStringLiteral("streamingText"));
    setFont(DS::Font::answer());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&session, &AssistantSession::draftChanged, this, [this] {
        updateGeometry();
        update();
    });
}

StreamingText::~StreamingText() = default;

bool StreamingText::cursorVisibleAt(double secondsSinceReference) {
    return qint64(std::floor(secondsSinceReference * 2)) % 2 == 0;
}

StreamingText::Laid StreamingText::layOut(int width) const {
    const QString draft = session_ ? session_->draft() : QString();
    const PanelTexts::DraftSplit split = PanelTexts::splitDraft(draft);
    // Line breaks of the draft become line separators: one paragraph, laid out as a whole.
    QString text = split.head + split.tail + kCursor;
    text.replace(u'\n', QChar::LineSeparator);
    Laid laid;
    laid.layout = std::make_unique<QTextLayout>(text, font());
    QTextCharFormat head;
    head.setForeground(DS::Palette::label.resolve(this));
    QTextCharFormat tail;
    tail.setForeground(DS::Palette::secondary.resolve(this));
    QTextCharFormat cursor;
    cursor.setForeground(cursorVisible_ ? DS::Palette::accent.resolve(this)
                                        : QColor(Qt::transparent));
    const int headLength = int(split.head.size());
    const int tailLength = int(split.tail.size());
    laid.layout->setFormats({{0, headLength, head},
                             {headLength, tailLength, tail},
                             {headLength + tailLength, int(kCursor.size()), cursor}});
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    laid.layout->setTextOption(option);
    const qreal step = QFontMetricsF(font()).height() + kLineSpacing;
    laid.layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = laid.layout->createLine(); line.isValid();
         line = laid.layout->createLine()) {
        line.setLineWidth(std::max(width, 1));
        line.setPosition(QPointF(0, y));
        y += std::max(line.height(), QFontMetricsF(font()).height()) + kLineSpacing;
    }
    laid.layout->endLayout();
    laid.height = std::max<qreal>(y - kLineSpacing, step - kLineSpacing);
    return laid;
}

int StreamingText::heightForWidth(int width) const {
    return int(std::ceil(layOut(width).height));
}

QSize StreamingText::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 400;
    return {width, heightForWidth(width)};
}

void StreamingText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    layOut(width()).layout->draw(&painter, QPointF(0, 0));
}

void StreamingText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    blink();
}

void StreamingText::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    blinker_.reset();
}

void StreamingText::blink() {
    const qint64 ms = kReference.msecsTo(clock_.now());
    const bool visible = cursorVisibleAt(double(ms) / 1000.0);
    if (visible != cursorVisible_) {
        cursorVisible_ = visible;
        update();
    }
    // Next half-second boundary of the wall clock.
    const qint64 untilNext = 500 - (((ms % 500) + 500) % 500);
    blinker_ = clock_.singleShot(Platform::Milliseconds(untilNext), [this] { blink(); });
}
