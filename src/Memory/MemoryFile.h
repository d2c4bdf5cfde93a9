#pragma once

#include <QByteArray>
#include <optional>

#include "Memory/MemoryData.h"

// The stored form of the memory (memory.json): compact JSON, UUIDs in upper case, dates as
// seconds since 2001-01-01 00:00:00 UTC with a fraction.
namespace MemoryFile {

QByteArray encode(const MemoryData& data);

// Strict: a missing required key, a value of the wrong type or an unknown entry kind anywhere
// makes the whole file unreadable (none). Unknown keys, at the top level and in an entry, are
// kept in the data and the entry, and encode() writes them back.
std::optional<MemoryData> decode(const QByteArray& bytes);

struct Read {
    MemoryData data;
    // Nothing the file held was left out.
    bool whole = true;
    // The bytes were not one well-formed object. When the read is still whole, only the file's
    // end was damaged (its closing brace missing, bytes after it).
    bool damaged = false;
};

// Entry by entry, as the store loads the file: an entry, a style signal or a counter that
// cannot be read is left out, and every other one kept. A file cut short or damaged keeps
// what stands whole before the fault (JsonPrefix): the lists before it, the complete entries
// of a list cut inside; a file damaged only at its end loses nothing. A missing or null list
// is an empty one and loses nothing; a file that does not begin as a JSON object keeps
// nothing.
Read read(const QByteArray& bytes);

}  // namespace MemoryFile
