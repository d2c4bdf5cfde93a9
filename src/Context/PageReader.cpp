#include "Context/PageReader.h"

#include <QStringList>
#include <algorithm>
#include <deque>
#include <variant>
#include <vector>

#include "Context/AccessibilityGate.h"
#include "Platform/Characters.h"

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
// after a sentence or a colon and a space otherwise. Lengths are in characters as the user
// sees them; the running count may be one high where a piece starts with a combining mark,
// which only makes the walk stop a piece early at the very end.
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
            ++characters_;
        }
        text_ += trimmed;
        characters_ += Characters::count(trimmed);
    }

    const QString& text() const { return text_; }
    qsizetype characters() const { return characters_; }

private:
    QString text_;
    QString last_;
    qsizetype characters_ = 0;
};

// Web content keeps its text in containers, each embedded child marked by U+FFFC at its place:
// the text between the marks and the children, in the order they appear. A child is looked up
// only when the walk reaches it, so that a container with thousands of marks costs nothing
// past the deadline.
struct Embedded {
    std::shared_ptr<Platform::AccessibleElement> container;
    int offset;  // in code points, the unit of the tree's offsets
    int mark;
};
using Piece = std::variant<QString, AccessibleRef, Embedded>;

std::vector<Piece> piecesOf(const AccessibleRef& element, const QString& text) {
    std::vector<Piece> pieces;
    QString run;
    int offset = 0;
    int mark = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++offset) {
        const QChar c = text.at(i);
        if (c == objectReplacement) {
            if (!run.isEmpty())
                pieces.emplace_back(std::exchange(run, QString()));
            pieces.emplace_back(Embedded{element, offset, mark++});
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
void pushPieces(std::vector<Piece>& stack, const AccessibleRef& element, const QString& text) {
    std::vector<Piece> pieces = piecesOf(element, text);
    stack.insert(stack.end(), std::make_move_iterator(pieces.rbegin()),
                 std::make_move_iterator(pieces.rend()));
}

// Children one call at a time; what the gate cut off is missing from the end.
std::vector<AccessibleRef> childrenOf(Platform::AccessibleElement& element,
                                      AccessibilityGate& gate) {
    std::vector<AccessibleRef> children;
    if (!gate.open())
        return children;
    const int count = element.childCount();
    for (int i = 0; i < count && gate.open(); ++i)
        if (AccessibleRef child = element.childAt(i))
            children.push_back(std::move(child));
    return children;
}

AccessibleRef findWebArea(const AccessibleRef& root, AccessibilityGate& gate) {
    std::deque<AccessibleRef> queue{root};
    int examined = 0;
    while (!queue.empty() && examined < webAreaSearchLimit && gate.open()) {
        AccessibleRef element = std::move(queue.front());
        queue.pop_front();
        if (element->role() == QLatin1String("AXWebArea"))
            return element;
        for (AccessibleRef& child : childrenOf(*element, gate))
            queue.push_back(std::move(child));
        ++examined;
    }
    return nullptr;
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
    AccessibilityGate gate(tree, deadline, now, stop, callTimeout);
    if (!gate.open())
        return std::nullopt;
    const AccessibleRef application = tree.application(pid);
    if (!application || !gate.open())
        return std::nullopt;
    AccessibleRef root = application->focusedWindow();
    if (!root && gate.open())
        root = application->mainWindow();
    if (!root)
        return std::nullopt;

    AccessibleRef start = findWebArea(root, gate);
    std::vector<Piece> stack{start ? start : root};
    int budget = walkLimit;
    PageText page;
    while (!stack.empty()) {
        Piece piece = std::move(stack.back());
        stack.pop_back();
        if (budget == 0 || page.characters() >= maxChars)
            break;
        if (const QString* text = std::get_if<QString>(&piece)) {
            page.append(*text);
            continue;
        }
        if (!gate.open())
            break;
        AccessibleRef element;
        if (const Embedded* embedded = std::get_if<Embedded>(&piece))
            element = embedded->container->embeddedObject(embedded->offset, embedded->mark);
        else
            element = std::get<AccessibleRef>(std::move(piece));
        if (!element || !gate.open())
            continue;
        --budget;
        const QString role = element->role();
        if (role == QLatin1String("AXStaticText")) {
            if (!gate.open())
                break;
            const QString value = element->text();
            if (value.contains(objectReplacement))
                pushPieces(stack, element, value);
            else if (!value.isEmpty())
                page.append(value);
            else if (gate.open())
                page.append(element->name());
        } else if (role == QLatin1String("AXImage")) {
            if (!gate.open())
                break;
            QString description = element->name();
            if (description.trimmed().isEmpty() && gate.open())
                description = element->description();
            if (!description.trimmed().isEmpty())
                page.append(QStringLiteral("[Bild: ") + description + QStringLiteral("]"));
        } else if (role == QLatin1String("AXTextField") || role == QLatin1String("AXTextArea")) {
            // Whatever the user types on the page (a reply box) is not page text.
        } else if (!gate.open() || element->isPassword() != false) {
            // Nor a password, whatever role the toolkit gives its field.
        } else if (const QString text = gate.open() ? element->text() : QString();
                   !text.isEmpty()) {
            pushPieces(stack, element, text);
        } else {
            std::vector<AccessibleRef> children = childrenOf(*element, gate);
            stack.insert(stack.end(), std::make_move_iterator(children.rbegin()),
                         std::make_move_iterator(children.rend()));
        }
    }

    const QString result = Characters::prefix(page.text(), maxChars).trimmed();
    if (Characters::count(result) < minimumLength)
        return std::nullopt;
    return result;
}
