// The USB lookup's walk and matching rules over made-up enumerations: which
// reader's port it finds, and which devices it passes over.
#include "ports/usb_lookup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/app_state.h"

namespace {

struct FakeDevice {
    UsbDeviceRead read;
    const char* hardwareId;
    const char* portName;
};

// The enumeration the fake source gives; a source's functions are plain
// function pointers, so the fake reads file-level state.
std::vector<FakeDevice> fakeDevices;
bool fakeOpens = true;
int fakeOpenSets = 0;

UsbDeviceRead fakeRead(UsbDeviceSet, int index, UsbDevice* device)
{
    if (index < 0 || static_cast<size_t>(index) >= fakeDevices.size())
        return UsbDeviceRead::end;
    const FakeDevice& fake = fakeDevices[static_cast<size_t>(index)];
    if (fake.hardwareId)
        strncpy(device->hardwareId, fake.hardwareId, sizeof device->hardwareId - 1);
    if (fake.portName)
        strncpy(device->portName, fake.portName, sizeof device->portName - 1);
    return fake.read;
}

constexpr UsbDeviceSource fakeSource{[](UsbDeviceSet* set) { return (*set = 42) && fakeOpens && ++fakeOpenSets; },
                                     fakeRead, [](UsbDeviceSet set) { fakeOpenSets -= set == 42; }};
constexpr UsbDeviceRead complete = UsbDeviceRead::complete;
constexpr const char* reader = "USB\\VID_1234&PID_ABCD&REV_0200";
constexpr const char* mixedCase = "USB\\Vid_1234&Pid_abcd&Rev_0200";
constexpr const char* other = "USB\\VID_0001&PID_0002&REV_0100";

}  // namespace

TEST(UsbLookup, FindsTheReadersPortByEitherPattern)
{
    const struct {
        const char* what;
        std::vector<FakeDevice> devices;
        const char* found;  // nullptr: not found
        bool opens = true;  // false: the system gives no device set
    } cases[] = {
        {"the upper-case pattern", {{complete, other, "COM3"}, {complete, reader, "COM5"}}, "COM5"},
        {"the mixed-case pattern", {{complete, mixedCase, "COM8"}}, "COM8"},
        {"30 characters compared", {{complete, "USB\\VID_1234&PID_ABCD&REV_02001", "COM4"}}, "COM4"},
        {"near misses",
         {{complete, "USB\\VID_1234&PID_ABCD&REV_0100", "COM4"}, {complete, "USB\\Vid_1234&Pid_ABCD&Rev_0200", "COM5"},
          {complete, "USB\\VID_1234&PID_abcd&REV_0200", "COM6"}, {complete, "usb\\vid_1234&pid_abcd&rev_0200", "COM7"},
          {complete, "USB\\VID_1234&PID_ABCD&REV_020", "COM8"}, {complete, "", "COM9"}},
         nullptr},
        {"only COM ports with a number",
         {{complete, reader, "COM0"}, {complete, reader, "LPT1"}, {complete, reader, "COM"},
          {complete, reader, "COMx1"}, {complete, reader, "COM000"}},
         nullptr},
        {"a lower-case COM port", {{complete, reader, "com12"}}, "com12"},
        {"a long name never cut into another", {{complete, reader, "COM3"}, {complete, reader, "COM1000"}}, "COM3"},
        {"the last matching reader",
         {{complete, reader, "COM3"}, {complete, other, "COM4"}, {complete, mixedCase, "COM11"}, {complete, other, "COM6"}},
         "COM11"},
        {"devices without identifier or port name passed over",
         {{UsbDeviceRead::noHardwareId, nullptr, nullptr}, {UsbDeviceRead::noPortName, reader, nullptr},
          {complete, reader, "COM9"}, {UsbDeviceRead::noPortName, reader, "COM2"}},
         "COM9"},
        {"a device without hardware key ends the walk",
         {{UsbDeviceRead::noHardwareKey, other, nullptr}, {complete, reader, "COM5"}}, nullptr},
        {"a match before it stands",
         {{complete, reader, "COM4"}, {UsbDeviceRead::noHardwareKey, reader, nullptr}, {complete, reader, "COM5"}},
         "COM4"},
        {"no device set", {{complete, reader, "COM5"}}, nullptr, false},
    };
    for (const auto& c : cases) {
        fakeDevices = c.devices;
        fakeOpens = c.opens;
        char portName[portNameSize] = "COM99";
        EXPECT_EQ(findUsbPortIn(fakeSource, portName, "1234", "ABCD", "0200", "1234", "abcd", "0200"), c.found != nullptr)
            << c.what;
        EXPECT_STREQ(portName, c.found ? c.found : "COM99") << c.what;
        EXPECT_EQ(fakeOpenSets, 0) << c.what << ": device set not released";
    }
}
