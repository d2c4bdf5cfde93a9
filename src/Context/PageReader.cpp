#include "Context/PageReader.h"

#include <QStringList>
#include <deque>
#include <variant>
#include <vector>

using Platform::AccessibleRef;

namespace {

constexpr std::chrono::milliseconds callTimeout{1000};
constexpr int webAreaSearchLimit = 4000;
constexpr int walkLimit = 80000;
constexpr int minimumLength = 40;
constexpr char16_t objectReplacement = u'\uFFFC';

const QStringList& fullPagePhrases() {
    static const QStringList phrases = {
        QStringLiteral("ganze seite"),     QStringLiteral("ganzen seite"),
        QStringLiteral("gesamte seite"),   QStringLiteral("gesamten seite"),
        QStringLiteral("komplette seite"), QStringLiteral("kompletten seite"),
        QStringLiteral("seite komplett"),  QStringLiteral("seite ganz"),
        QStringLiteral("ganze webseite"),  QStringLiteral("ganzen webseite"),
        QStringLiteral("ganzen artikel"),  QStringLiteral("ganze artikel"),
        QStringLiteral("ganzen text"),     QStringLiteral("whole page"),
        QStringLiteral("entire page"),     QStringLiteral("full page"),
        QStringLiteral("whole site"),      QStringLiteral("whole article"),
        QStringLiteral("entire article"),  QStringLiteral("whole website")};
    return phrases;
}

// The page text under construction: trimmed pieces, an immediate repeat dropped, a line break
// after a sentence or a colon and a space otherwise.
class PageText {
public:
    void append(const QString& piece) {
        const QString trimmed = piece.trimmed();
        if (trimmed.isEmpty() || trimmed == last_)
            return;
        last_ = trimmed;
        if (!text_.isEmpty()) {
            const QChar end = text_.back();
            const bool breaks = end == u'.' || end == u'!' || end == u'?' || end == u':';
            text_ += breaks ? QChar(u'\n') : QChar(u' ');
        }
        text_ += trimmed;
    }

    const QString& text() const { return text_; }

private:
    QString text_;
    QString last_;
};

// Web content keeps its text in containers, each embedded child marked by U+FFFC at its place:
// the text between the marks and the children, in the order they appear.
using Piece = std::variant<QString, AccessibleRef>;

std::vector<Piece> piecesOf(Platform::AccessibleElement& element, const QString& text) {
    std::vector<Piece> pieces;
    QString run;
    int offset = 0;  // in code points, the unit of the tree's offsets
    int mark = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++offset) {
        const QChar c = text.at(i);
        if (c == objectReplacement) {
            if (!run.isEmpty())
                pieces.emplace_back(std::exchange(run, QString()));
            if (AccessibleRef child = element.embeddedObject(offset, mark++))
                pieces.emplace_back(std::move(child));
            continue;
        }
        run += c;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            run += text.at(++i);
    }
    if (!run.isEmpty())
        pieces.emplace_back(std::move(run));
    return pieces;
}

// The first piece on top, so that it is taken next.
void pushPieces(std::vector<Piece>& stack, Platform::AccessibleElement& element,
                const QString& text) {
    std::vector<Piece> pieces = piecesOf(element, text);
    stack.insert(stack.end(), std::make_move_iterator(pieces.rbegin()),
                 std::make_move_iterator(pieces.rend()));
}

AccessibleRef findWebArea(const AccessibleRef& root, std::chrono::nanoseconds deadline,
                          const PageReader::Now& now, const std::stop_token& stop) {
    std::deque<AccessibleRef> queue{root};
    int examined = 0;
    while (!queue.empty() && examined < webAreaSearchLimit && now() < deadline &&
           !stop.stop_requested()) {
        AccessibleRef element = std::move(queue.front());
        queue.pop_front();
        if (element->role() == QLatin1String("AXWebArea"))
            return element;
        for (AccessibleRef& child : element->children())
            queue.push_back(std::move(child));
        ++examined;
    }
    return nullptr;
}

bool isField(Platform::AccessibleElement& element, const QString& role) {
    return role == QLatin1String("AXTextField") || role == QLatin1String("AXTextArea") ||
           element.isPassword();
}

}  // namespace

PageReader::PageReader(Platform::AccessibilityWorker& worker, Platform::AccessibilityTrust& trust)
    : worker_(worker), trust_(trust) {}

bool PageReader::wantsFullPage(const QString& request) {
    const QString lowered = request.toLower();
    for (const QString& phrase : fullPagePhrases())
        if (lowered.contains(phrase))
            return true;
    return false;
}

std::unique_ptr<ContextRead> PageReader::read(qint32 pid, int maxChars,
                                              std::chrono::milliseconds budget, Done done) {
    std::stop_source source;
    auto handle = std::make_unique<ContextRead>(source);
    if (!trust_.isTrusted()) {
        QMetaObject::invokeMethod(
            this,
            [token = source.get_token(), done = std::move(done)] {
                if (!token.stop_requested())
                    done(std::nullopt);
            },
            Qt::QueuedConnection);
        return handle;
    }
    const std::stop_token token = source.get_token();
    worker_.run(
        this,
        [pid, maxChars, budget, token](Platform::AccessibilityTree* tree) {
            if (!tree || token.stop_requested())
                return std::optional<QString>();
            const Now now = [] { return std::chrono::steady_clock::now().time_since_epoch(); };
            tree->setCallTimeout(callTimeout);
            return collect(*tree, pid, maxChars, now() + budget, now, token);
        },
        [token, done = std::move(done)](std::optional<QString> text) {
            if (!token.stop_requested())
                done(std::move(text));
        });
    return handle;
}

std::optional<QString> PageReader::collect(Platform::AccessibilityTree& tree, qint32 pid,
                                           int maxChars, std::chrono::nanoseconds deadline,
                                           const Now& now, std::stop_token stop) {
    const AccessibleRef application = tree.application(pid);
    if (!application)
        return std::nullopt;
    AccessibleRef root = application->focusedWindow();
    if (!root)
        root = application->mainWindow();
    if (!root)
        return std::nullopt;

    AccessibleRef start = findWebArea(root, deadline, now, stop);
    std::vector<Piece> stack{start ? start : root};
    int budget = walkLimit;
    PageText page;
    while (!stack.empty()) {
        Piece piece = std::move(stack.back());
        stack.pop_back();
        if (budget == 0 || page.text().size() >= maxChars || now() >= deadline ||
            stop.stop_requested())
            break;
        if (const QString* text = std::get_if<QString>(&piece)) {
            page.append(*text);
            continue;
        }
        Platform::AccessibleElement& element = *std::get<AccessibleRef>(piece);
        --budget;
        const QString role = element.role();
        if (role == QLatin1String("AXStaticText")) {
            const QString value = element.text();
            if (value.contains(objectReplacement))
                pushPieces(stack, element, value);
            else
                page.append(value.isEmpty() ? element.name() : value);
        } else if (role == QLatin1String("AXImage")) {
            QString description = element.name();
            if (description.trimmed().isEmpty())
                description = element.description();
            if (!description.trimmed().isEmpty())
                page.append(QStringLiteral("[Bild: ") + description + QStringLiteral("]"));
        } else if (isField(element, role)) {
            // Whatever the user types on the page (a reply box, a password) is not page text.
        } else if (const QString text = element.text(); !text.isEmpty()) {
            pushPieces(stack, element, text);
        } else {
            std::vector<AccessibleRef> children = element.children();
            stack.insert(stack.end(), std::make_move_iterator(children.rbegin()),
                         std::make_move_iterator(children.rend()));
        }
    }

    QString result = page.text().left(maxChars);
    if (result.size() == maxChars && maxChars > 0 && result.back().isHighSurrogate())
        result.chop(1);
    result = result.trimmed();
    if (result.size() < minimumLength)
        return std::nullopt;
    return result;
}
