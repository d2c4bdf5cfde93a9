#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
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
    // Not whole, yet every member was read: the damage lies after them. Bytes follow the
    // closing brace (NULs after a crash), or the bytes end where it was due, after a complete
    // member. A file cut right after a member looks the same, so the latter counts only when
    // every key the caller expects was read.
    bool everyMemberRead = false;
};

// `expectedKeys`: the keys a file of this kind always holds.
Read readObject(const QByteArray& bytes, const QStringList& expectedKeys = {});

}  // namespace JsonPrefix
