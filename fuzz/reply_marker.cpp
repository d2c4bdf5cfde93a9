#include "AI/PromptBuilder.h"
#include "FuzzInput.h"

// The start of a reply as it streams in: the marker names the kind, the rest is the
// reply's own text, never more than what arrived.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const auto fallback = static_cast<ReplyKind>(data[0] % 5);
    const QString text = inputText(data + 1, size - 1);
    const auto parsed = PromptBuilder::parseMarker(text, fallback);
    if (parsed)
        require(text.endsWith(parsed->second), "the content is the end of the reply");
    return 0;
}
