#pragma once

#include <QString>

// "Blanks" are spaces, tabs and the other Unicode space separators, but not line breaks.
// Several user-entered values (model names, match terms, rules) are trimmed of blanks only,
// so that a deliberate line break survives.
namespace Blanks {

bool isBlank(QChar c);

// `text` without blanks at either end.
QString trimmed(const QString& text);

}  // namespace Blanks
