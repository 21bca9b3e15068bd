// Runs in a program built with other resources than the updater's: a packed
// image whose text has no configuration records, and an empty configuration
// text. On Windows they are real resources of this .exe.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "tests/support/device_info_listing.h"
#include "ui/headless/headless_window.h"

namespace {

class StartUpFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }
};

TEST_F(StartUpFaults, ImageWithoutConfigurationRecordsFailsQuietly)
{
    EXPECT_FALSE(loadImageAtStart());
    // The image itself unpacks: no message box of the unpacker.
    EXPECT_TRUE(headlessMessages().empty());
    EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(DeviceInfo{})) << "expectedInfo must stay zero";
}

TEST_F(StartUpFaults, EmptyConfigurationFailsAndLeavesTheSettingOff)
{
    EXPECT_FALSE(loadAppConfig());
    EXPECT_FALSE(app.resetSettingsDefault);
    EXPECT_TRUE(headlessMessages().empty());
}

}  // namespace
