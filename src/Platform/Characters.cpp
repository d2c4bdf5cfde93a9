#include "Platform/Characters.h"

#include <QTextBoundaryFinder>

namespace Characters {

namespace {

// Code-unit offset after the first `count` characters, or the text's length.
qsizetype offsetAfter(const QString& text, qsizetype count) {
    if (count <= 0)
        return 0;
    // Every character is at least one code unit: a text of no more units has no more characters.
    if (text.size() <= count)
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    for (qsizetype seen = 0; seen < count; ++seen) {
        position = finder.toNextBoundary();
        if (position < 0)
            return text.size();
    }
    return position;
}

}  // namespace

qsizetype count(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype characters = 0;
    while (finder.toNextBoundary() != -1)
        ++characters;
    return characters;
}

QString suffix(const QString& text, qsizetype count) {
    if (count <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    for (qsizetype seen = 0; seen < count; ++seen) {
        if (finder.toPreviousBoundary() <= 0)
            return text;
    }
    return text.mid(finder.position());
}

QString prefix(const QString& text, qsizetype count) {
    return text.left(offsetAfter(text, count));
}

QString dropPrefix(const QString& text, qsizetype count) {
    return text.mid(offsetAfter(text, count));
}

bool isBoundary(const QString& text, qsizetype position) {
    if (position <= 0 || position >= text.size())
        return position == 0 || position == text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(position);
    return finder.isAtBoundary();
}

}  // namespace Characters
