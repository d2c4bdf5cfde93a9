#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace Utf8 {

// `bytes` as text when they are valid UTF-8; none otherwise. Output of other programs that
// does not decode is treated as no answer rather than guessed at.
std::optional<QString> decodeStrictly(const QByteArray& bytes);

}  // namespace Utf8
