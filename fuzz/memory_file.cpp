#include "FuzzInput.h"
#include "Memory/MemoryFile.h"

namespace {

template <typename List>
bool isFirstPartOf(const List& part, const List& whole) {
    return part.size() <= whole.size() && part == whole.first(part.size());
}

// A written file cut anywhere keeps only what was written: the first entries of each list,
// and the counter or none.
void cutAnywhere(const MemoryData& data, size_t where) {
    const QByteArray file = MemoryFile::encode(data);
    const MemoryFile::Read cut = MemoryFile::read(file.left(qsizetype(where % (file.size() + 1))));
    require(isFirstPartOf(cut.data.activity, data.activity) &&
                isFirstPartOf(cut.data.saved, data.saved) &&
                isFirstPartOf(cut.data.styleSignals, data.styleSignals) &&
                (cut.data.signalsSinceLearning == data.signalsSinceLearning ||
                 cut.data.signalsSinceLearning == 0),
            "a cut file holds only what was written");
}

}  // namespace

// memory.json as found on disk, whole or cut short; what was read must survive being written
// and read again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = inputBytes(data, size);
    if (const auto decoded = MemoryFile::decode(bytes)) {
        const auto again = MemoryFile::decode(MemoryFile::encode(*decoded));
        require(again.has_value(), "written memory can be read");
        require(*again == *decoded, "written memory reads back unchanged");
    }
    const MemoryFile::Read read = MemoryFile::read(bytes);
    const auto again = MemoryFile::decode(MemoryFile::encode(read.data));
    require(again == read.data, "what was read is written whole");
    cutAnywhere(read.data, size);
    return 0;
}
