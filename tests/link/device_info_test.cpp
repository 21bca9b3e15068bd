// The identify reply's information: its wire form, and which replies match
// the built-in image, with what reportedInfo then holds.
#include "link/device_info.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/app_state.h"
#include "tests/support/device_info_listing.h"
#include "tests/support/sample_firmware_info.h"

TEST(DeviceInfo, WireFormIsBigEndianAndBitInverted)
{
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(sampleFirmwareInfo(), wire);
    const uint8_t head[] = {0x9E, 0xFE, 0xFF, 0x7F,   // interface 0x61, 0x0100, 128
                            0xFF, 0x43, 0x9E, 0xB1,   // barcode 12345678 = 0x00BC614E
                            0xF5, 0xFF, 0xFF, 0xFE,   // cipher 0x0A000001
                            0xFF, 0xFF, 0xF3, 0xFE,   // type 0x0C01
                            0xFF, 0xFE, 0xFD, 0xFC};  // hardware 0x00010203
    EXPECT_EQ(memcmp(wire, head, sizeof head), 0);
    const uint8_t eepromEnd[] = {0xF7, 0xF7, 0xEF, 0xFF};  // 0x08081000
    EXPECT_EQ(memcmp(wire + 40, eepromEnd, 4), 0);
}

TEST(DeviceInfo, WhichRepliesMatchAndWhatIsKept)
{
    enum Kept { theDevice, nothing, theEarlier };
    const struct {
        const char* what;
        void (*alter)(DeviceInfo&);
        uint8_t code;
        int count;
        int status;
        Kept kept;
    } cases[] = {
        {"the image's reader", [](DeviceInfo&) {}, 0xF0, 44, 240, theDevice},
        {"fields that do not count",
         [](DeviceInfo& d) { d.hardware ^= 0xFF00, d.barcode = 1, d.cipherId = 2, d.softwareVersion = 0x999, d.vidPid = 7; },
         0xF0, 44, 240, theDevice},
        {"longer reply: the first 44 count", [](DeviceInfo&) {}, 0xF0, 129, 240, theDevice},
        {"interfaceCode", [](DeviceInfo& d) { d.interfaceCode ^= 1; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"interfaceVersion", [](DeviceInfo& d) { d.interfaceVersion ^= 0x0100; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"interfaceParameter", [](DeviceInfo& d) { d.interfaceParameter ^= 0x80; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"deviceType", [](DeviceInfo& d) { d.deviceType = 0x0C00; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"hardware bits 24-31", [](DeviceInfo& d) { d.hardware |= 0x01000000; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"hardware series", [](DeviceInfo& d) { d.hardware ^= 0x00010000; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"hardware pcb", [](DeviceInfo& d) { d.hardware ^= 0x00000001; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"flashStart", [](DeviceInfo& d) { d.flashStart += 4; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"flashEnd", [](DeviceInfo& d) { d.flashEnd -= 1024; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"eepromStart", [](DeviceInfo& d) { d.eepromStart += 1; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"eepromEnd", [](DeviceInfo& d) { d.eepromEnd += 1; }, 0xF0, 44, deviceInfoMismatch, theDevice},
        {"all ones", [](DeviceInfo& d) { d = DeviceInfo{}; }, 0xF0, 44, deviceInfoMismatch, nothing},
        {"short reply of 43", [](DeviceInfo&) {}, 0xF0, 43, deviceInfoMismatch, nothing},
        {"short reply of 0", [](DeviceInfo&) {}, 0xF0, 0, deviceInfoMismatch, nothing},
        {"acknowledgement", [](DeviceInfo&) {}, 0xAA, 44, 170, theEarlier},
        {"other code", [](DeviceInfo&) {}, 0x55, 44, 0x55, theEarlier},
    };
    for (const auto& c : cases) {
        resetAppState();
        app.expectedInfo = sampleFirmwareInfo();
        DeviceInfo device = sampleFirmwareInfo();
        c.alter(device);
        uint8_t wire[deviceInfoWireSize + 85];  // room for a longer reply
        memset(wire, 0, sizeof wire);
        encodeDeviceInfo(device, wire);
        app.reportedInfo = sampleFirmwareInfo();
        app.reportedInfo.barcode = 99;  // what an earlier reply left
        const DeviceInfo earlier = app.reportedInfo;
        const int status = decodeDeviceInfo(c.code, wire, c.count);
        EXPECT_EQ(status, c.status) << c.what;
        const DeviceInfo expected = c.kept == theDevice ? device : c.kept == nothing ? DeviceInfo{} : earlier;
        EXPECT_EQ(deviceInfoListing(app.reportedInfo), deviceInfoListing(expected)) << c.what;
    }
}
