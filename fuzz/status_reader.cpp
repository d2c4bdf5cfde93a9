#include "AI/ProviderStatusStore.h"
#include "FuzzInput.h"

// What the tools print about their sign-in.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<QString> output =
        size > 0 && data[0] == 0 ? std::nullopt : std::optional(inputText(data, size));
    ProviderStatusStore::readClaudeStatus(output);
    ProviderStatusStore::readCodexStatus(output);
    return 0;
}
