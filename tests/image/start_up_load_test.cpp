#include "image/start_up_load.h"

#include <gtest/gtest.h>

#include <tuple>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "image/resources.h"
#include "tests/support/device_info_listing.h"
#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"
#include "ui/headless/headless_window.h"

namespace {

class StartUpLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }
};

// The loads on the resources this program carries: the build's own inputs.
TEST_F(StartUpLoad, ImageOfTheBuildFillsExpectedInfo)
{
    ASSERT_TRUE(loadImageAtStart());
    EXPECT_TRUE(headlessMessages().empty());
    const DeviceInfo loaded = app.expectedInfo;

    // The same as scanning the firmware hex the build was given.
    resetAppState();
    const std::string text = withLfLineEnds(readFile(EMBEDDED_FIRMWARE_HEX));
    ASSERT_TRUE(scanImageConfig(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size())));
    EXPECT_EQ(deviceInfoListing(loaded), deviceInfoListing(app.expectedInfo));

    if (std::string(EMBEDDED_FIRMWARE_HEX) == SAMPLE_FIRMWARE_HEX) {
        EXPECT_EQ(deviceInfoListing(loaded), deviceInfoListing(sampleFirmwareInfo()));
    }
}

TEST_F(StartUpLoad, ConfigurationOfTheBuildGivesTheResetDefault)
{
    ASSERT_TRUE(loadAppConfig());
    EXPECT_EQ(app.resetSettingsDefault, EMBEDDED_RESET_SETTINGS != 0);
    EXPECT_TRUE(headlessMessages().empty());
}

TEST_F(StartUpLoad, ConfigurationResourceHoldsTheWholeTextOfTheBuild)
{
    uint32_t size = 0;
    const uint8_t* text = loadResourceBytes(configResourceId, configResourceType, &size);
    ASSERT_NE(text, nullptr);
    const std::string expected =
        EMBEDDED_RESET_SETTINGS ? "RESET_SETTINGS = TRUE;\r\n" : "RESET_SETTINGS = FALSE;\r\n";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), size), expected);
}

// The first-line rule of the configuration text.
struct ConfigCase {
    const char* what;
    std::string text;
    bool on;
};

TEST(ConfigText, OnlyTheExactFirstLineTurnsTheSettingOn)
{
    const std::string on = "RESET_SETTINGS = TRUE;";
    const ConfigCase cases[] = {
        {"CR LF", on + "\r\n", true},
        {"the line alone", on, true},
        {"ended by a zero byte", on + std::string(1, '\0') + "junk", true},
        {"CR without LF, then more", on + "\rRESET", true},
        {"LF alone does not end the line", on + "\n", false},
        {"trailing blank", on + " \r\n", false},
        {"lower case", "reset_settings = true;\r\n", false},
        {"no blanks", "RESET_SETTINGS=TRUE;\r\n", false},
        {"no semicolon", "RESET_SETTINGS = TRUE\r\n", false},
        {"leading blank", " " + on + "\r\n", false},
        {"as built", "RESET_SETTINGS = FALSE;\r\n", false},
        {"only the first line counts", "RESET_SETTINGS = FALSE;\r\n" + on + "\r\n", false},
        {"an empty first line", "\r\n" + on + "\r\n", false},
        {"75 characters", on + std::string(53, ' '), false},
        {"a first line longer than the buffer", on + std::string(200, 'x') + "\r\n", false},
        {"a long line of blanks after it", on + std::string(100, ' '), false},
    };
    for (const ConfigCase& c : cases) {
        // An exact-size copy: the rule must not read past the text.
        std::vector<uint8_t> bytes = bytesOf(c.text);
        EXPECT_EQ(configTextAsksReset(bytes.data(), static_cast<uint32_t>(bytes.size())), c.on) << c.what;
    }
}

TEST(ConfigText, TheSizeBoundsTheLine)
{
    const std::string text = "RESET_SETTINGS = TRUE;\r\n";
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
    EXPECT_TRUE(configTextAsksReset(bytes, 22));
    EXPECT_FALSE(configTextAsksReset(bytes, 21)) << "a size that cuts the line short";
    EXPECT_FALSE(configTextAsksReset(bytes, 0));
}

}  // namespace
