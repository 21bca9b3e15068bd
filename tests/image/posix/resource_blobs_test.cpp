// The Linux stand-in for the .exe's resources, and the start-up loads on
// blobs substituted through it.
#include "image/posix/resource_blobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "tests/support/device_info_listing.h"
#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"
#include "ui/headless/headless_window.h"

namespace {

class ResourceBlobs : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }
    void TearDown() override { removeResourceOverrides(); }

    void useImage(const std::vector<uint8_t>& packed)
    {
        image = packed;
        ASSERT_TRUE(overrideResourceBlob(imageResourceId, imageResourceType, image.data(),
                                         static_cast<uint32_t>(image.size())));
    }

    void useConfig(const std::string& text)
    {
        config = bytesOf(text);
        ASSERT_TRUE(overrideResourceBlob(configResourceId, configResourceType, config.data(),
                                         static_cast<uint32_t>(config.size())));
    }

    void expectExpectedInfoZero()
    {
        EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(DeviceInfo{}));
    }

    std::vector<uint8_t> image;
    std::vector<uint8_t> config;
};

TEST_F(ResourceBlobs, AppConfigFollowsTheSubstitutedText)
{
    useConfig("RESET_SETTINGS = TRUE;\r\n");
    EXPECT_TRUE(loadAppConfig());
    EXPECT_TRUE(app.resetSettingsDefault);

    resetAppState();
    useConfig("RESET_SETTINGS = TRUE;\n");
    EXPECT_TRUE(loadAppConfig()) << "any content loads";
    EXPECT_FALSE(app.resetSettingsDefault);
}

TEST_F(ResourceBlobs, AppConfigFailsWhenTheTextIsEmptyOrMissing)
{
    useConfig("");
    EXPECT_FALSE(loadAppConfig());
    ASSERT_TRUE(overrideResourceBlob(configResourceId, configResourceType, nullptr, 0));
    EXPECT_FALSE(loadAppConfig());
    EXPECT_FALSE(app.resetSettingsDefault);
    EXPECT_TRUE(headlessMessages().empty()) << "the caller shows errorAppconfigLoad";
}

TEST_F(ResourceBlobs, ImageWithoutConfigurationRecordsFailsWithoutUnpackerMessage)
{
    const std::string text = hexRecord(0, {0x08, 0x00}, 4) + hexRecord(0x4000, std::vector<uint8_t>(16, 1)) +
                             hexRecord(0x4810, std::vector<uint8_t>(16, 2)) + hexRecord(0, {}, 1);
    useImage(packText(text));
    EXPECT_FALSE(loadImageAtStart());
    EXPECT_TRUE(headlessMessages().empty());
    expectExpectedInfoZero();
}

TEST_F(ResourceBlobs, BrokenImageFailsWithTheUnpackersMessageOnly)
{
    const std::string sample = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
    std::vector<uint8_t> packed = packText(sample);
    packed[imagePacketSize * 3 + 40] ^= 0x10;  // inside the masked part of packet 3
    useImage(packed);
    EXPECT_FALSE(loadImageAtStart());
    auto messages = headlessMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Error PackerARecover: crc packet!");
    expectExpectedInfoZero();
}

TEST_F(ResourceBlobs, ImageResourceMissingOrEmptyFails)
{
    ASSERT_TRUE(overrideResourceBlob(imageResourceId, imageResourceType, nullptr, 0));
    EXPECT_FALSE(loadImageAtStart());
    const uint8_t none[1] = {0};
    ASSERT_TRUE(overrideResourceBlob(imageResourceId, imageResourceType, none, 0));
    EXPECT_FALSE(loadImageAtStart());
    EXPECT_TRUE(headlessMessages().empty());
    expectExpectedInfoZero();
}

}  // namespace
