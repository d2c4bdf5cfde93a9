#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <optional>

// A stored JSON file as far as it reads: a file cut short (a full disk, a crash in the middle
// of a copy) or damaged in one place still holds complete values before the fault, and those
// are the user's. QJsonDocument gives up on the first error, so this reads on its own up to
// that point and keeps what stands whole before it:
// - every member of the top-level object whose value ended before the fault;
// - a list cut inside keeps its complete elements (none: the member is left out);
// - an element or member that the fault cut into is left out, whatever it holds: a text cut
//   short is never kept in half, and a record cut short is not the record.
// Nothing after the fault is read, even where the bytes look well-formed again.
namespace JsonPrefix {

struct Read {
    // The top-level object as far as it reads; none when the bytes do not begin with one.
    std::optional<QJsonObject> object;
    // The bytes were one well-formed JSON object: nothing was left out.
    bool whole = false;
};

Read readObject(const QByteArray& bytes);

}  // namespace JsonPrefix
