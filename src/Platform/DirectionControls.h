#pragma once

#include <QString>

// The invisible characters that reorder the text around them (right-to-left marks, embeddings,
// overrides, isolates). A text that becomes data is shown with each of them as a visible token
// in its place, "[U+202E]", so that what the user reads is in the order it is stored.
namespace DirectionControls {

bool isControl(char32_t c);
bool contains(const QString& text);
// `text` with every such character replaced by its token; the same text when it holds none.
QString shown(const QString& text);

}  // namespace DirectionControls
