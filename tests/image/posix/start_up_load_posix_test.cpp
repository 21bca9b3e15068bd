// The start-up loads on substituted resources: only the exact first line turns
// the settings reset on; a missing, empty or broken resource fails its load,
// leaving nothing set; only the unpacker shows a box of its own; an image
// that cannot be written whole is refused with the image check's first problem.
#include "image/start_up_load.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "tests/support/device_info_listing.h"
#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"
#include "frontends/headless/headless_window.h"

TEST(StartUpLoad, TakesTheResetFromTheExactFirstLineAndFailsOnAMissingEmptyBrokenOrNotWholeResource)
{
    using Blob = std::optional<std::vector<uint8_t>>;  // none: the resource is missing
    const std::string hex = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
    const std::string endOfFile = hexRecord(0, {}, 1);
    const std::string records = hex.substr(0, hex.size() - endOfFile.size());
    std::vector<uint8_t> packed = packText(hex);
    const Blob sample = packed;
    const auto cut = [&](size_t size) { return Blob(std::vector<uint8_t>(sample->begin(), sample->begin() + size)); };
    const Blob outsideFlash =
        packText(records + hexRecord(0, {0x09, 0x00}, 4) + hexRecord(0, std::vector<uint8_t>(16, 0x5A)) + endOfFile);
    packed[imagePacketSize * 3 + 40] ^= 0x10;  // inside the masked part of packet 3
    const Blob flipped = packed;
    const Blob noConfig = packText(hexRecord(0, {0x08, 0x00}, 4) + hexRecord(0x4000, {1, 2, 3, 4}) + hexRecord(0, {}, 1));
    const std::string on = "RESET_SETTINGS = TRUE;";
    const auto text = [](const std::string& t) { return Blob(bytesOf(t)); };
    const struct {
        const char* what;
        Blob image, config;
        bool imageLoads, configLoads, reset;
        size_t boxes = 0;
        std::string problem = "";
    } cases[] = {
        {"CR LF", sample, text(on + "\r\n"), true, true, true},
        {"ended by a zero byte", sample, text(on + std::string(1, '\0') + "junk"), true, true, true},
        {"LF alone does not end the line", sample, text(on + "\n"), true, true, false},
        {"lower case", sample, text("reset_settings = true;\r\n"), true, true, false},
        {"only the first line counts", sample, text("RESET_SETTINGS = FALSE;\r\n" + on), true, true, false},
        {"a text cut short", sample, text(on.substr(0, 21)), true, true, false},
        {"a first line longer than the buffer", sample, text(on + std::string(200, 'x')), true, true, false},
        {"an image without configuration records", noConfig, text(on), false, true, true, 0,
         "line 3: the image text is 48 bytes long: the updater streams from byte 124 on"},
        // Line 875 is the first cut one: 38,400 text bytes hold 874 whole lines.
        {"an image cut after packet 300", cut(imagePacketSize * 300), text(on), false, true, true, 0,
         "line 875: too short or an odd number of hex digits for a record"},
        {"an image cut inside packet 301", cut(imagePacketSize * 300 + 60), text(on), false, true, true, 1},
        {"an image without its end-of-file record", packText(records), text(on), false, true, true, 0,
         "line 1349: no end-of-file record (:00000001FF): the update would fail at its end"},
        {"data outside the flash the image declares", outsideFlash, text(on), false, true, true, 0,
         "line 1351: data at 0x09000000-0x0900000F lies outside the flash 0x08000000-0x0803FFFF that the image "
         "declares"},
        {"an image with a flipped bit, an empty configuration", flipped, text(""), false, false, false, 1},
        {"both missing", std::nullopt, std::nullopt, false, false, false},
        {"an empty image", text(""), text("x"), false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        resetAppState();
        headlessReset();
        static const uint8_t none = 0;  // an empty blob is there, with no bytes; a missing one is not
        const auto put = [](unsigned id, unsigned type, const Blob& b) {
            overrideResourceBlob(id, type, !b ? nullptr : b->empty() ? &none : b->data(),
                                 b ? static_cast<uint32_t>(b->size()) : 0);
        };
        put(imageResourceId, imageResourceType, c.image);
        put(configResourceId, configResourceType, c.config);
        std::string problem = "not cleared";
        EXPECT_EQ(loadImageAtStart(&problem), c.imageLoads);
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(loadAppConfig(), c.configLoads);
        EXPECT_EQ(app.resetSettingsDefault, c.reset);
        EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(c.imageLoads ? sampleFirmwareInfo() : DeviceInfo{}));
        EXPECT_EQ(headlessMessages().size(), c.boxes);
        removeResourceOverrides();
    }
}
