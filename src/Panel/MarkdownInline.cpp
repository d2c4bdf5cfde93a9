#include "Panel/MarkdownInline.h"

#include <QRegularExpression>

namespace MarkdownInline {
namespace {

enum Style : unsigned { strongBit = 1, emphasisBit = 2, strikeBit = 4 };

// A piece of text, or a run of "*", "_" or "~" that may open or close emphasis.
struct Node {
    QString text;
    unsigned style = 0;
    bool code = false;
    QUrl link;
    QChar delimiter;  // null for text
    int count = 0;
    int original = 0;
    bool canOpen = false;
    bool canClose = false;
};

bool isPunctuation(QChar c) {
    return c.isPunct() || c.isSymbol();
}

bool isSpace(QChar c) {
    return c.isNull() || c.isSpace();
}

QUrl safeLink(const QString& destination) {
    QUrl url(destination, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https" && scheme != u"mailto")) {
        return {};
    }
    if (scheme == u"mailto" && url.hasQuery()) {
        // A mail link may fill in a subject or a text, never attach a file of the user's.
        // Taken apart as written, so that an escaped "&" in a value stays inside it.
        const QStringList items = url.query(QUrl::FullyEncoded).split(QLatin1Char('&'));
        QStringList kept;
        for (const QString& item : items) {
            const QString key =
                QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
            if (!key.trimmed().toLower().startsWith(u"attach"))
                kept.append(item);
        }
        if (kept.size() != items.size())
            url.setQuery(kept.isEmpty() ? QString() : kept.join(QLatin1Char('&')),
                         QUrl::StrictMode);
    }
    return url;
}

// Text that reads as an address: a scheme, "www.", a mail address or a domain with a path.
bool looksLikeAddress(const QString& text) {
    static const QRegularExpression address(
        QStringLiteral(R"(^(?:[A-Za-z][A-Za-z0-9+.\-]*:\S+|www\.\S+|[^\s@/]+@[^\s@]+\.[^\s@]+|)"
                       R"([A-Za-z0-9\-]+(?:\.[A-Za-z0-9\-]+)*\.[A-Za-z]{2,}(?:[/?#]\S*)?)$)"),
        QRegularExpression::CaseInsensitiveOption);
    return address.match(text).hasMatch();
}

// Whether the address a link's text reads as is the one it opens.
bool isSameAddress(const QString& text, const QUrl& target) {
    if (target.scheme().compare(u"mailto", Qt::CaseInsensitive) == 0) {
        QString written = text;
        if (written.startsWith(u"mailto:", Qt::CaseInsensitive))
            written = written.mid(7);
        return written.compare(target.path(), Qt::CaseInsensitive) == 0;
    }
    const bool hasScheme = text.contains(u"://");
    const QUrl read(hasScheme ? text : QStringLiteral("https://") + text, QUrl::TolerantMode);
    if (!read.isValid() ||
        (hasScheme && read.scheme().compare(target.scheme(), Qt::CaseInsensitive) != 0))
        return false;
    const auto rest = [](const QUrl& url) {
        return url.adjusted(QUrl::StripTrailingSlash)
            .toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded);
    };
    return read.host(QUrl::FullyEncoded).toLower() == target.host(QUrl::FullyEncoded).toLower() &&
           read.userInfo() == target.userInfo() && read.port() == target.port() &&
           rest(read) == rest(target);
}

class Parser {
public:
    explicit Parser(const QString& text) : s_(text) {}

    QList<Node> run() {
        while (i_ < s_.size()) {
            const QChar c = s_.at(i_);
            if (c == u'\\') {
                escape();
            } else if (c == u'`') {
                codeSpan();
            } else if (c == u'*' || c == u'_' || c == u'~') {
                delimiterRun(c);
            } else if (c == u'[' || (c == u'!' && peek(1) == u'[')) {
                link();
            } else if (c == u'<') {
                autolink();
            } else {
                literal(QString(c));
                ++i_;
            }
        }
        resolveEmphasis();
        return nodes_;
    }

private:
    QChar peek(qsizetype offset) const {
        const qsizetype at = i_ + offset;
        return at >= 0 && at < s_.size() ? s_.at(at) : QChar();
    }

    void literal(const QString& text, bool code = false) {
        if (!nodes_.isEmpty() && nodes_.last().delimiter.isNull() && nodes_.last().code == code &&
            nodes_.last().link.isEmpty()) {
            nodes_.last().text += text;
            return;
        }
        Node node;
        node.text = text;
        node.code = code;
        nodes_.append(node);
    }

    void escape() {
        const QChar next = peek(1);
        if (next == u'\n') {
            literal(QStringLiteral("\n"));
            i_ += 2;
        } else if (next.unicode() < 128 && isPunctuation(next)) {
            literal(QString(next));
            i_ += 2;
        } else {
            literal(QStringLiteral("\\"));
            ++i_;
        }
    }

    // A run of n backticks up to the next run of exactly n; without one the backticks are text.
    void codeSpan() {
        const qsizetype start = i_;
        while (i_ < s_.size() && s_.at(i_) == u'`') {
            ++i_;
        }
        const qsizetype n = i_ - start;
        for (qsizetype j = i_; j < s_.size();) {
            if (s_.at(j) != u'`') {
                ++j;
                continue;
            }
            const qsizetype closeStart = j;
            while (j < s_.size() && s_.at(j) == u'`') {
                ++j;
            }
            if (j - closeStart == n) {
                QString content = s_.mid(i_, closeStart - i_);
                if (content.size() > 2 && content.startsWith(u' ') && content.endsWith(u' ') &&
                    !content.trimmed().isEmpty()) {
                    content = content.mid(1, content.size() - 2);
                }
                literal(content, true);
                i_ = j;
                return;
            }
        }
        literal(s_.mid(start, n));
    }

    void delimiterRun(QChar c) {
        const qsizetype start = i_;
        while (i_ < s_.size() && s_.at(i_) == c) {
            ++i_;
        }
        const int count = int(i_ - start);
        const QChar before = start > 0 ? s_.at(start - 1) : QChar();
        const QChar after = i_ < s_.size() ? s_.at(i_) : QChar();
        const bool leftFlanking =
            !isSpace(after) && (!isPunctuation(after) || isSpace(before) || isPunctuation(before));
        const bool rightFlanking =
            !isSpace(before) && (!isPunctuation(before) || isSpace(after) || isPunctuation(after));
        Node node;
        node.delimiter = c;
        node.count = node.original = count;
        if (c == u'_') {
            node.canOpen = leftFlanking && (!rightFlanking || isPunctuation(before));
            node.canClose = rightFlanking && (!leftFlanking || isPunctuation(after));
        } else {
            node.canOpen = leftFlanking;
            node.canClose = rightFlanking;
        }
        if (c == u'~' && count > 2) {
            node.canOpen = node.canClose = false;
        }
        nodes_.append(node);
    }

    // "[text](address)" or "![description](address)"; an image shows its description.
    void link() {
        const bool image = s_.at(i_) == u'!';
        const qsizetype open = i_ + (image ? 1 : 0);
        int depth = 0;
        qsizetype close = -1;
        for (qsizetype j = open; j < s_.size(); ++j) {
            const QChar c = s_.at(j);
            if (c == u'\\') {
                ++j;
            } else if (c == u'[') {
                ++depth;
            } else if (c == u']' && --depth == 0) {
                close = j;
                break;
            }
        }
        static const QRegularExpression destination(
            QStringLiteral(R"(\(\s*(?:<([^<>\n]*)>|([^\s()<>]*(?:\([^\s()<>]*\)[^\s()<>]*)*)))"
                           R"((?:\s+(?:"[^"]*"|'[^']*'))?\s*\))"));
        const auto match = close < 0
                               ? QRegularExpressionMatch()
                               : destination.match(s_, close + 1, QRegularExpression::NormalMatch,
                                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) {
            literal(s_.mid(i_, open + 1 - i_));
            i_ = open + 1;
            return;
        }
        const QString address = match.captured(1).isNull() ? match.captured(2) : match.captured(1);
        const QUrl url = image ? QUrl() : safeLink(address);
        if (!image && url.isEmpty()) {
            // A link we will not open shows what the model wrote, address and all, so the
            // user sees where it pointed instead of a harmless-looking word.
            literal(s_.mid(i_, match.capturedEnd() - i_));
            i_ = match.capturedEnd();
            return;
        }
        const QString written = s_.mid(open + 1, close - open - 1);
        const QList<Node> inner = Parser(written).run();
        // Text that reads as one address while the link opens another would show the user a
        // place they are not taken to: the text stays plain and the real target follows it.
        const bool misleading =
            !image && looksLikeAddress(written.trimmed()) && !isSameAddress(written.trimmed(), url);
        for (Node node : inner) {
            node.link = misleading ? QUrl() : url;
            nodes_.append(node);
        }
        if (misleading) {
            literal(QStringLiteral(" ("));
            Node target;
            target.text = url.toString(QUrl::FullyEncoded);
            target.link = url;
            nodes_.append(target);
            literal(QStringLiteral(")"));
        }
        i_ = match.capturedEnd();
    }

    // "<https://example.org>" and "<name@example.org>".
    void autolink() {
        static const QRegularExpression uri(
            QStringLiteral(R"(<([A-Za-z][A-Za-z0-9+.\-]{1,31}:[^\s<>]*)>)"));
        static const QRegularExpression mail(QStringLiteral(
            R"(<([A-Za-z0-9.!#$%&'*+/=?^_`{|}~\-]+@[A-Za-z0-9](?:[A-Za-z0-9\-]{0,61}[A-Za-z0-9])?)"
            R"((?:\.[A-Za-z0-9](?:[A-Za-z0-9\-]{0,61}[A-Za-z0-9])?)*)>)"));
        for (const auto* pattern : {&uri, &mail}) {
            const auto match = pattern->match(s_, i_, QRegularExpression::NormalMatch,
                                              QRegularExpression::AnchorAtOffsetMatchOption);
            if (!match.hasMatch()) {
                continue;
            }
            Node node;
            node.text = match.captured(1);
            node.link =
                safeLink(pattern == &mail ? QStringLiteral("mailto:") + node.text : node.text);
            if (node.link.isEmpty()) {
                literal(match.captured(0));
            } else {
                nodes_.append(node);
            }
            i_ = match.capturedEnd();
            return;
        }
        literal(QStringLiteral("<"));
        ++i_;
    }

    // Pairs closers with the nearest opener of the same character, as far as each run reaches;
    // what does not pair stays text.
    void resolveEmphasis() {
        for (qsizetype closer = 0; closer < nodes_.size(); ++closer) {
            while (nodes_[closer].canClose && nodes_[closer].count > 0) {
                const qsizetype opener = findOpener(closer);
                if (opener < 0) {
                    break;
                }
                Node& o = nodes_[opener];
                Node& c = nodes_[closer];
                int used = o.count >= 2 && c.count >= 2 ? 2 : 1;
                unsigned bit = used == 2 ? strongBit : emphasisBit;
                if (c.delimiter == u'~') {
                    used = c.count;
                    bit = strikeBit;
                }
                o.count -= used;
                c.count -= used;
                for (qsizetype k = opener + 1; k < closer; ++k) {
                    nodes_[k].style |= bit;
                    if (!nodes_[k].delimiter.isNull()) {
                        nodes_[k].canOpen = nodes_[k].canClose = false;
                    }
                }
            }
        }
        for (Node& node : nodes_) {
            if (!node.delimiter.isNull()) {
                node.text = QString(node.count, node.delimiter);
                node.delimiter = QChar();
            }
        }
    }

    qsizetype findOpener(qsizetype closer) const {
        const Node& c = nodes_[closer];
        for (qsizetype k = closer - 1; k >= 0; --k) {
            const Node& o = nodes_[k];
            if (o.delimiter != c.delimiter || !o.canOpen || o.count == 0) {
                continue;
            }
            if (c.delimiter == u'~') {
                if (o.count == c.count) {
                    return k;
                }
                continue;
            }
            // A run that could both open and close pairs only when the lengths do not add up
            // to a multiple of three, so "*a**b*" is not read as strong.
            const bool either = (o.canOpen && o.canClose) || (c.canOpen && c.canClose);
            if (either && (o.original + c.original) % 3 == 0 &&
                (o.original % 3 != 0 || c.original % 3 != 0)) {
                continue;
            }
            return k;
        }
        return -1;
    }

    const QString& s_;
    qsizetype i_ = 0;
    QList<Node> nodes_;
};

}  // namespace

QList<Run> parse(const QString& text) {
    QList<Run> runs;
    for (const Node& node : Parser(text).run()) {
        if (node.text.isEmpty()) {
            continue;
        }
        Run run{node.text,
                bool(node.style & strongBit),
                bool(node.style & emphasisBit),
                bool(node.style & strikeBit),
                node.code,
                node.link};
        if (!runs.isEmpty()) {
            Run& last = runs.last();
            Run probe = last;
            probe.text = run.text;
            if (probe == run) {
                last.text += run.text;
                continue;
            }
        }
        runs.append(run);
    }
    return runs;
}

}  // namespace MarkdownInline
