// The USB port lookup's walk and matching rules over made-up enumerations.
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

// The enumeration the fake source gives; the functions of a source are plain
// function pointers, so the fake reads file-level state.
std::vector<FakeDevice> fakeDevices;
bool fakeOpens = true;
int fakeOpenSets = 0;
int fakeReads = 0;

bool fakeOpen(UsbDeviceSet* set)
{
    if (!fakeOpens)
        return false;
    ++fakeOpenSets;
    *set = 42;
    return true;
}

UsbDeviceRead fakeRead(UsbDeviceSet set, int index, UsbDevice* device)
{
    EXPECT_EQ(set, 42);
    ++fakeReads;
    if (index < 0 || static_cast<size_t>(index) >= fakeDevices.size())
        return UsbDeviceRead::end;
    const FakeDevice& fake = fakeDevices[static_cast<size_t>(index)];
    if (fake.hardwareId)
        strncpy(device->hardwareId, fake.hardwareId, sizeof device->hardwareId - 1);
    if (fake.portName)
        strncpy(device->portName, fake.portName, sizeof device->portName - 1);
    return fake.read;
}

void fakeClose(UsbDeviceSet set)
{
    EXPECT_EQ(set, 42);
    --fakeOpenSets;
}

constexpr UsbDeviceSource fakeSource{fakeOpen, fakeRead, fakeClose};

constexpr const char* reader = "USB\\VID_1234&PID_ABCD&REV_0200";
constexpr const char* readerMixedCase = "USB\\Vid_1234&Pid_abcd&Rev_0200";

class UsbLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeDevices.clear();
        fakeOpens = true;
        fakeOpenSets = 0;
        fakeReads = 0;
        strcpy(portName, "COM99");
    }
    void TearDown() override { EXPECT_EQ(fakeOpenSets, 0) << "device set not released"; }

    bool find()
    {
        return findUsbPortIn(fakeSource, portName, "1234", "ABCD", "0200", "1234", "abcd", "0200");
    }

    char portName[portNameSize];
};

TEST_F(UsbLookup, FindsTheReaderByEitherPattern)
{
    fakeDevices = {{UsbDeviceRead::complete, "USB\\VID_0001&PID_0002&REV_0100", "COM3"},
                   {UsbDeviceRead::complete, reader, "COM5"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM5");

    fakeDevices = {{UsbDeviceRead::complete, readerMixedCase, "COM8"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM8");
}

TEST_F(UsbLookup, ComparesThirtyCharactersOfTheFirstIdentifier)
{
    // What follows the 30 characters does not matter.
    fakeDevices = {{UsbDeviceRead::complete, "USB\\VID_1234&PID_ABCD&REV_02001", "COM4"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM4");
}

TEST_F(UsbLookup, RejectsNearMisses)
{
    fakeDevices = {
        {UsbDeviceRead::complete, "USB\\VID_1234&PID_ABCD&REV_0100", "COM4"},  // other revision
        {UsbDeviceRead::complete, "USB\\Vid_1234&Pid_ABCD&Rev_0200", "COM5"},  // upper digits, mixed prefix
        {UsbDeviceRead::complete, "USB\\VID_1234&PID_abcd&REV_0200", "COM6"},  // lower digits, upper prefix
        {UsbDeviceRead::complete, "usb\\vid_1234&pid_abcd&rev_0200", "COM7"},  // all lower case
        {UsbDeviceRead::complete, "USB\\VID_1234&PID_ABCD&REV_020", "COM8"},   // one character short
        {UsbDeviceRead::complete, "", "COM9"},
    };
    EXPECT_FALSE(find());
    EXPECT_STREQ(portName, "COM99");
}

TEST_F(UsbLookup, TakesOnlyComPortsWithANumber)
{
    fakeDevices = {{UsbDeviceRead::complete, reader, "COM0"},  {UsbDeviceRead::complete, reader, "LPT1"},
                   {UsbDeviceRead::complete, reader, "COM"},   {UsbDeviceRead::complete, reader, "COMx1"},
                   {UsbDeviceRead::complete, reader, "COM000"}};
    EXPECT_FALSE(find());
    EXPECT_STREQ(portName, "COM99");

    fakeDevices = {{UsbDeviceRead::complete, reader, "com12"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "com12");
}

TEST_F(UsbLookup, NeverCutsALongPortNameIntoAnother)
{
    fakeDevices = {{UsbDeviceRead::complete, reader, "COM3"}, {UsbDeviceRead::complete, reader, "COM1000"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM3");
}

TEST_F(UsbLookup, TheLastMatchingReaderWins)
{
    fakeDevices = {{UsbDeviceRead::complete, reader, "COM3"},
                   {UsbDeviceRead::complete, "USB\\VID_0001&PID_0002&REV_0100", "COM4"},
                   {UsbDeviceRead::complete, readerMixedCase, "COM11"},
                   {UsbDeviceRead::complete, "USB\\VID_0001&PID_0002&REV_0100", "COM6"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM11");
    EXPECT_EQ(fakeReads, 5);  // every device and the end
}

TEST_F(UsbLookup, SkipsDevicesWithoutIdentifierOrPortName)
{
    fakeDevices = {{UsbDeviceRead::noHardwareId, nullptr, nullptr},
                   {UsbDeviceRead::noPortName, reader, nullptr},
                   {UsbDeviceRead::complete, reader, "COM9"},
                   {UsbDeviceRead::noPortName, reader, "COM2"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM9");
}

TEST_F(UsbLookup, ADeviceWithoutHardwareKeyEndsTheWalk)
{
    fakeDevices = {{UsbDeviceRead::noHardwareKey, "USB\\VID_0001&PID_0002&REV_0100", nullptr},
                   {UsbDeviceRead::complete, reader, "COM5"}};
    EXPECT_FALSE(find());
    EXPECT_STREQ(portName, "COM99");
    EXPECT_EQ(fakeReads, 1);

    // A match before it stands.
    fakeDevices = {{UsbDeviceRead::complete, reader, "COM4"},
                   {UsbDeviceRead::noHardwareKey, reader, nullptr},
                   {UsbDeviceRead::complete, reader, "COM5"}};
    EXPECT_TRUE(find());
    EXPECT_STREQ(portName, "COM4");
}

TEST_F(UsbLookup, FailsWhenTheDevicesCannotBeListed)
{
    fakeOpens = false;
    fakeDevices = {{UsbDeviceRead::complete, reader, "COM5"}};
    EXPECT_FALSE(find());
    EXPECT_EQ(fakeReads, 0);
}

TEST(UsbComPortName, FollowsTheLookupRules)
{
    EXPECT_TRUE(isComPortName("COM1"));
    EXPECT_TRUE(isComPortName("cOm255"));
    EXPECT_TRUE(isComPortName("COM01"));
    EXPECT_FALSE(isComPortName("COM0"));
    EXPECT_FALSE(isComPortName("COM"));
    EXPECT_FALSE(isComPortName("CO"));
    EXPECT_FALSE(isComPortName(""));
    EXPECT_FALSE(isComPortName("LPT1"));
    EXPECT_FALSE(isComPortName("CNCA0"));
}

}  // namespace
