#include "link/device_info.h"

#include <gtest/gtest.h>

#include "tests/support/device_info_listing.h"

#include <cstring>

#include "app/app_state.h"
#include "tests/link/link_test_support.h"

namespace {

class DeviceInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.expectedInfo = sampleFirmwareInfo();
    }

    // The identify status of a device that reports info.
    int statusOf(const DeviceInfo& info)
    {
        uint8_t wire[deviceInfoWireSize];
        encodeDeviceInfo(info, wire);
        return decodeDeviceInfo(0xF0, wire, deviceInfoWireSize);
    }
};

}  // namespace

TEST_F(DeviceInfoTest, WireFormIsBigEndianAndBitInverted)
{
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(sampleFirmwareInfo(), wire);
    const uint8_t head[] = {0x9E, 0xFE, 0xFF, 0x7F,                  // interface 0x61, 0x0100, 128
                            0xFF, 0x43, 0x9E, 0xB1,                  // barcode 12345678 = 0x00BC614E
                            0xF5, 0xFF, 0xFF, 0xFE,                  // cipher 0x0A000001
                            0xFF, 0xFF, 0xF3, 0xFE,                  // type 0x0C01
                            0xFF, 0xFE, 0xFD, 0xFC};                 // hardware 0x00010203
    EXPECT_EQ(memcmp(wire, head, sizeof head), 0);
    const uint8_t eepromEnd[] = {0xF7, 0xF7, 0xEF, 0xFF};  // 0x08081000
    EXPECT_EQ(memcmp(wire + 40, eepromEnd, 4), 0);

    // Decoding gives back every field.
    EXPECT_EQ(decodeDeviceInfo(0xF0, wire, deviceInfoWireSize), 240);
    EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(sampleFirmwareInfo()));
}

TEST_F(DeviceInfoTest, AllOnesDecodeToZeroFields)
{
    uint8_t wire[deviceInfoWireSize];
    memset(wire, 0xFF, sizeof wire);
    app.reportedInfo = sampleFirmwareInfo();
    EXPECT_EQ(decodeDeviceInfo(0xF0, wire, deviceInfoWireSize), deviceInfoMismatch);
    EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(DeviceInfo{}));
}

TEST_F(DeviceInfoTest, IdentityFieldsThatDoNotCountStillMatch)
{
    DeviceInfo device = sampleFirmwareInfo();
    device.hardware ^= 0x0000FF00;  // change
    device.barcode = 1;
    device.cipherId = 2;
    device.softwareVersion = 0x0999;
    device.vidPid = 0xFFFF0000;
    EXPECT_EQ(statusOf(device), 240);
    EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(device));
}

TEST_F(DeviceInfoTest, EveryComparedFieldMakesAMismatchOfItsOwn)
{
    const struct {
        const char* field;
        void (*alter)(DeviceInfo&);
    } cases[] = {
        {"interfaceCode", [](DeviceInfo& d) { d.interfaceCode ^= 1; }},
        {"interfaceVersion", [](DeviceInfo& d) { d.interfaceVersion ^= 0x0100; }},
        {"interfaceParameter", [](DeviceInfo& d) { d.interfaceParameter ^= 0x80; }},
        {"deviceType", [](DeviceInfo& d) { d.deviceType = 0x0C00; }},
        {"hardware bits 24-31", [](DeviceInfo& d) { d.hardware |= 0x01000000; }},
        {"hardware series", [](DeviceInfo& d) { d.hardware ^= 0x00010000; }},
        {"hardware pcb", [](DeviceInfo& d) { d.hardware ^= 0x00000001; }},
        {"flashStart", [](DeviceInfo& d) { d.flashStart += 4; }},
        {"flashEnd", [](DeviceInfo& d) { d.flashEnd -= 1024; }},
        {"eepromStart", [](DeviceInfo& d) { d.eepromStart += 1; }},
        {"eepromEnd", [](DeviceInfo& d) { d.eepromEnd += 1; }},
    };
    for (const auto& c : cases) {
        DeviceInfo device = sampleFirmwareInfo();
        c.alter(device);
        const int status = statusOf(device);
        EXPECT_EQ(status, deviceInfoMismatch) << c.field;
        EXPECT_EQ(status & 0xFF, 255) << c.field;
        // The device that did not fit is what reportedInfo holds.
        EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(device)) << c.field;
    }
}

TEST_F(DeviceInfoTest, OtherCodesPassThroughAndDecodeNothing)
{
    uint8_t wire[deviceInfoWireSize];
    memset(wire, 0x00, sizeof wire);
    app.reportedInfo = sampleFirmwareInfo();
    EXPECT_EQ(decodeDeviceInfo(0xAA, wire, deviceInfoWireSize), 170);
    EXPECT_EQ(decodeDeviceInfo(0x55, wire, deviceInfoWireSize), 0x55);
    EXPECT_EQ(decodeDeviceInfo(0x00, wire, deviceInfoWireSize), 0);
    EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(sampleFirmwareInfo()));
}

TEST_F(DeviceInfoTest, AShortIdentifyReplyDoesNotMatchAndKeepsNothingStale)
{
    // A full reply first, then one of 43 bytes whose area still holds the
    // full reply's tail: nothing of either may stand in reportedInfo.
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(sampleFirmwareInfo(), wire);
    ASSERT_EQ(decodeDeviceInfo(0xF0, wire, deviceInfoWireSize), 240);
    for (int count : {43, 1, 0}) {
        EXPECT_EQ(decodeDeviceInfo(0xF0, wire, count), deviceInfoMismatch) << count;
        EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(DeviceInfo{})) << count;
        app.reportedInfo = sampleFirmwareInfo();
    }
    // More than 44 is a full reply: the first 44 count.
    EXPECT_EQ(decodeDeviceInfo(0xF0, wire, 129), 240);
}
