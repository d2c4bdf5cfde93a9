#include "Panel/QuoteBlock.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>
#include <QVBoxLayout>
#include <cmath>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/InitialsAvatar.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Shimmer.h"
#include "Design/SymbolLabel.h"
#include "Design/SymbolPainter.h"
#include "Panel/AssistantSession.h"

namespace {

using Kind = AssistantSession::Phase::Kind;
using Variant = QuoteBlock::Variant;

// A rounded card on the quiet fill around its content.
class Card final : public QWidget {
public:
    Card(int paddingY, QWidget* parent) : QWidget(parent) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(12, paddingY, 12, paddingY);
        layout->setSpacing(10);
    }
    QHBoxLayout* row() const { return static_cast<QHBoxLayout*>(layout()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        RoundedBox::fill(painter, rect(), 12, DS::Palette::fill.resolve(this));
    }
};

// One line of a lead in one style followed by a text in another, cut at the tail.
class LeadLine final : public QWidget {
public:
    LeadLine(const QString& lead, const QString& text, QWidget* parent)
        : QWidget(parent), lead_(lead), text_(text) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setFixedHeight(int(std::ceil(std::max(QFontMetricsF(DS::Font::context()).height(),
                                              QFontMetricsF(DS::Font::body()).height()))));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetricsF leadMetrics(DS::Font::context());
        const qreal leadWidth = std::min<qreal>(leadMetrics.horizontalAdvance(lead_), width());
        painter.setFont(DS::Font::context());
        painter.setPen(DS::Palette::label.resolve(this));
        painter.drawText(QRectF(0, 0, leadWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         leadMetrics.elidedText(lead_, Qt::ElideRight, width()));
        const QFontMetricsF body(DS::Font::body());
        const qreal rest = width() - leadWidth;
        painter.setFont(DS::Font::body());
        painter.setPen(DS::Palette::secondary.resolve(this));
        painter.drawText(QRectF(leadWidth, 0, rest, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         body.elidedText(text_, Qt::ElideRight, std::max<qreal>(rest, 0)));
    }

private:
    QString lead_;
    QString text_;
};

// A text of at most `maxLines` wrapped lines, the last one cut with "…" when more follow.
// Drawn with a text layout: the text is never read as markup.
class QuoteLines final : public QWidget {
public:
    QuoteLines(const QString& text, int maxLines, QWidget* parent)
        : QWidget(parent), text_(text), maxLines_(maxLines) {
        setFont(DS::Font::body());
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        return int(std::ceil(lines(width).size() * lineStep() - kLineSpacing));
    }
    QSize sizeHint() const override {
        return {QFontMetrics(font()).horizontalAdvance(text_), heightForWidth(400)};
    }
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(DS::Palette::label.resolve(this));
        const QFontMetricsF metrics(font());
        qreal y = 0;
        for (const QString& line : lines(width())) {
            painter.drawText(QPointF(0, y + metrics.ascent()), line);
            y += lineStep();
        }
    }

private:
    static constexpr qreal kLineSpacing = 3;

    qreal lineStep() const { return QFontMetricsF(font()).height() + kLineSpacing; }

    QStringList lines(int width) const {
        return QuoteBlock::clampLines(text_, font(), width, maxLines_);
    }

    QString text_;
    int maxLines_;
};

// A symbol on a soft accent circle (the selection's mark).
class MarkCircle final : public QWidget {
public:
    MarkCircle(bool compact, QWidget* parent) : QWidget(parent), compact_(compact) {
        const int side = compact ? 20 : 26;
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(DS::Palette::accentSoft.resolve(this));
        painter.drawEllipse(rect());
        const qreal side = compact_ ? 10 : 12;
        SymbolPainter::paint(painter, QStringLiteral("text.cursor"),
                             QRectF((width() - side) / 2, (height() - side) / 2, side, side),
                             DS::Palette::accentText.resolve(this), QFont::DemiBold);
    }

private:
    bool compact_;
};

// The stand-in while the message is read: a circle and two bars.
class PlaceholderShapes final : public QWidget {
public:
    explicit PlaceholderShapes(QWidget* parent) : QWidget(parent) {
        setFixedHeight(26);
        setMinimumWidth(26 + 10 + 100);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor fill = DS::Palette::fillStrong.resolve(this);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(0, 0, 26, 26));
        const qreal x = 36;
        const qreal top = (26 - 9 - 7 - 9) / 2.0;
        RoundedBox::fill(painter, QRectF(x, top, 100, 9), 5, fill);
        RoundedBox::fill(painter, QRectF(x, top + 16, std::min<qreal>(290, width() - x), 9), 5,
                         fill);
    }
};

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

}  // namespace

QuoteBlock::QuoteBlock(AssistantSession& session, QWidget* parent)
    : QWidget(parent), session_(&session) {
    setObjectName(QStringLiteral("quoteBlockContent"));
    column(this, 0);
    for (auto signal :
         {&AssistantSession::quoteChanged, &AssistantSession::threadChanged,
          &AssistantSession::isReadingQuoteChanged,
          &AssistantSession::quotePlaceholderHiddenChanged, &AssistantSession::phaseChanged})
        connect(&session, signal, this, &QuoteBlock::rebuild);
    rebuild();
}

std::pair<QString, QString> QuoteBlock::compactLine(const QuotedMessage& quote) {
    if (quote.isSelection) {
        QString text = quote.text;
        return {tr("Markiert "), text.replace(u'\n', u' ')};
    }
    // One line: the message's first line, with the ellipsis telling that more follows.
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}]"));
    QString text = quote.text;
    if (const qsizetype end = text.indexOf(lineBreak); end >= 0)
        text = text.left(end) + QStringLiteral(" …");
    return {quote.author ? *quote.author + u' ' : QString(), text};
}

QStringList QuoteBlock::clampLines(const QString& text, const QFont& font, int width,
                                   int maxLines) {
    QStringList shown;
    const QFontMetricsF metrics(font);
    const QStringList paragraphs = text.split(u'\n');
    for (qsizetype p = 0; p < paragraphs.size() && shown.size() < maxLines; ++p) {
        QTextLayout layout(paragraphs[p], font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(width, 1));
            if (shown.size() == maxLines - 1) {
                // The last line allowed takes what is left, cut at its end when more follows.
                QString rest = paragraphs[p].mid(line.textStart());
                const bool more = p + 1 < paragraphs.size();
                if (more || metrics.horizontalAdvance(rest) > width)
                    rest = metrics.elidedText(rest + (more ? QStringLiteral(" …") : QString()),
                                              Qt::ElideRight, width);
                shown.append(rest);
                break;
            }
            shown.append(paragraphs[p].mid(line.textStart(), line.textLength()));
        }
        layout.endLayout();
    }
    return shown;
}

bool QuoteBlock::showsPlaceholder(const AssistantSession& session) {
    return session.isReadingQuote() && !session.quotePlaceholderHidden() && !session.quote() &&
           session.phase().kind() == Kind::ready;
}

void QuoteBlock::setCompact(bool compact) {
    if (compact == compact_)
        return;
    compact_ = compact;
    rebuild();
}

void QuoteBlock::rebuild() {
    if (!session_)
        return;
    const auto& quote = session_->quote();
    Variant variant = Variant::none;
    if (quote && quote->isSelection)
        variant = compact_ ? Variant::compactSelection : Variant::fullSelection;
    else if (quote)
        variant = compact_ ? Variant::compactQuote : Variant::fullQuote;
    else if (showsPlaceholder(*session_))
        variant = Variant::placeholder;
    // The same quote in the same form needs no new card; the thread count may have changed.
    // Taken out of the layout first: while the panel's view is being built its layouts are
    // switched off, and a switched-off layout does not notice a child that goes.
    if (card_)
        layout()->removeWidget(card_);
    delete card_;
    card_ = nullptr;
    variant_ = variant;
    if (variant != Variant::none) {
        card_ = makeCard(variant);
        layout()->addWidget(card_);
        card_->show();
    }
    setVisible(card_ != nullptr);
}

QWidget* QuoteBlock::makeCard(Variant variant) {
    const bool compact = variant == Variant::compactQuote || variant == Variant::compactSelection;
    auto* card = new Card(compact ? 7 : 10, this);
    QHBoxLayout* row = card->row();
    switch (variant) {
        case Variant::placeholder: {
            card->setAccessibleName(tr("Nachricht wird gelesen"));
            auto* shapes = new PlaceholderShapes(card);
            row->addWidget(shapes, 1);
            Shimmer::apply(shapes);
            auto* fade = new QGraphicsOpacityEffect(card);
            fade->setOpacity(0.7);
            card->setGraphicsEffect(fade);
            break;
        }
        case Variant::compactQuote: {
            const QuotedMessage& quote = *session_->quote();
            row->setSpacing(8);
            row->addWidget(new InitialsAvatar(quote.initials(), 20, card), 0, Qt::AlignVCenter);
            const auto [lead, text] = compactLine(quote);
            row->addWidget(new LeadLine(lead, text, card), 1);
            break;
        }
        case Variant::fullQuote: {
            const QuotedMessage& quote = *session_->quote();
            row->addWidget(new InitialsAvatar(quote.initials(), 26, card), 0, Qt::AlignTop);
            auto* text = new QWidget(card);
            QVBoxLayout* lines = column(text, 2);
            if (quote.author) {
                auto* author = new ElidedLabel(*quote.author, text);
                author->setFont(DS::Font::context());
                lines->addWidget(author);
            }
            lines->addWidget(new QuoteLines(quote.text, 4, text));
            if (const qsizetype count = session_->thread().size(); count > 0) {
                auto* thread = new QWidget(text);
                auto* threadRow = new QHBoxLayout(thread);
                threadRow->setContentsMargins(0, 3, 0, 0);
                threadRow->setSpacing(4);
                auto* label = new SymbolLabel(QStringLiteral("text.bubble"),
                                              tr("+ %1 Nachrichten davor im Kontext").arg(count),
                                              DS::Font::context(), DS::Palette::secondary, thread);
                threadRow->addWidget(label);
                threadRow->addStretch(1);
                lines->addWidget(thread);
            }
            row->addWidget(text, 1);
            card->setAccessibleName(quote.author.value_or(QString()) + u' ' + quote.text);
            break;
        }
        case Variant::compactSelection: {
            row->addWidget(new MarkCircle(true, card), 0, Qt::AlignVCenter);
            const auto [lead, text] = compactLine(*session_->quote());
            row->addWidget(new LeadLine(lead, text, card), 1);
            break;
        }
        case Variant::fullSelection: {
            row->addWidget(new MarkCircle(false, card), 0, Qt::AlignTop);
            auto* text = new QWidget(card);
            QVBoxLayout* lines = column(text, 2);
            auto* title = new ElidedLabel(tr("Markierter Text"), text);
            title->setFont(DS::Font::context());
            lines->addWidget(title);
            lines->addWidget(new QuoteLines(session_->quote()->text, 5, text));
            row->addWidget(text, 1);
            card->setAccessibleName(tr("Markierter Text") + u' ' + session_->quote()->text);
            break;
        }
        case Variant::none:
            break;
    }
    return card;
}
