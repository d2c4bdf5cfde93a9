#include "AI/ClaudeCLIProvider.h"
#include "FuzzInput.h"

// The claude tool's output, line by line, as one run reads it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClaudeCLIProvider::StreamState state;
    for (const QByteArray& line : inputBytes(data, size).split('\n')) {
        for (const QString& chunk : state.onLine(line))
            require(!chunk.isNull(), "a chunk is a text");
    }
    return 0;
}
