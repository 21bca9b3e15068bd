// The configuration text's line rule (configTextAsksReset) and loadAppConfig
// with the fuzzed bytes as the configuration resource.
//
// Input: the configuration text. Checked against the rule read plainly: the
// first line runs to the first CR, zero byte or the end (a LF does not end
// it), and the setting is on only when it is exactly
// "RESET_SETTINGS = TRUE;"; the load succeeds for any text that is not empty.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    fuzzFreshState();
    size_t end = 0;
    while (end < size && data[end] != '\r' && data[end] != '\0')
        ++end;
    const std::string line(reinterpret_cast<const char*>(data), end);
    const bool on = line == "RESET_SETTINGS = TRUE;";

    FUZZ_CHECK(configTextAsksReset(data, static_cast<uint32_t>(size)) == on, "the first line decides the setting");

    overrideResourceBlob(configResourceId, configResourceType, data, static_cast<uint32_t>(size));
    const bool loaded = loadAppConfig();
    FUZZ_CHECK(loaded == (size > 0), "the load fails only for an empty text");
    FUZZ_CHECK(app.resetSettingsDefault == (loaded && on), "the load sets the default by the rule");
    removeResourceOverrides();
    return 0;
}
