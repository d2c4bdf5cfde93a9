#pragma once

#include <QChar>
#include <QString>

// The pieces of a provider's reply stream. A text chunk is the next piece of the reply; a
// control chunk begins with U+0001 followed by an upper-case word and is never reply text.
namespace Chunk {

inline constexpr QChar controlMark{0x0001};

// The tool has begun its answer; nothing is written yet.
QString connected();
// The model has begun a reasoning block.
QString thinking();
// The model calls the tool `name` ("Read", "Bash", …).
QString tool(const QString& name);
// Every text chunk of the reply so far is void; the consumer starts again.
QString reset();

// A text chunk of `text`: without U+0001, which has no place in a reply, so that text the
// model wrote (it may copy it from the screen) can never pass for a control chunk.
QString text(const QString& text);

bool isControl(const QString& chunk);

}  // namespace Chunk
