#include "FuzzInput.h"
#include "Memory/MemoryFile.h"

// memory.json as found on disk; what was read must survive being written and read again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto decoded = MemoryFile::decode(inputBytes(data, size));
    if (!decoded)
        return 0;
    const auto again = MemoryFile::decode(MemoryFile::encode(*decoded));
    require(again.has_value(), "written memory can be read");
    require(*again == *decoded, "written memory reads back unchanged");
    return 0;
}
