#include "FuzzInput.h"
#include "Settings/AssistantSettings.h"

// settings.json as the user or another version may have left it. Whatever was read must
// come back unchanged from what Tavrin writes, or a save would change the user's settings.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto decoded = AssistantSettings::decode(inputBytes(data, size));
    if (!decoded)
        return 0;
    const auto again = AssistantSettings::decode(decoded->settings.encode());
    require(again.has_value(), "written settings can be read");
    require(again->settings == decoded->settings, "written settings read back unchanged");
    require(!again->droppedUserData, "written settings lose nothing when read");
    return 0;
}
