#pragma once

#include <QString>

// Lengths the user sees: counted in user-perceived characters (grapheme clusters), so that a
// cut never splits an accent from its letter or an emoji from its modifiers.
namespace Characters {

// The number of characters of `text`.
qsizetype count(const QString& text);

// The first `count` characters of `text`; the whole text when it is shorter.
QString prefix(const QString& text, qsizetype count);

// The last `count` characters of `text`; the whole text when it is shorter.
QString suffix(const QString& text, qsizetype count);

// `text` without its first `count` characters; empty when it is not longer.
QString dropPrefix(const QString& text, qsizetype count);

// True when `position` (a code-unit offset) falls between two characters of `text`.
bool isBoundary(const QString& text, qsizetype position);

}  // namespace Characters
