// The USB port lookup (findUsbPortIn) over an enumeration made from the
// fuzz input.
//
// Input: four bytes, the image's vidPid (big-endian), then devices separated
// by LF: a status byte (its value mod 5: 0 complete, 1 no hardware
// identifier, 2 no hardware key, 3 no PortName, 4 end of the enumeration),
// the hardware identifier, a TAB, the port name. Either text may fill its
// field without a terminator; longer texts are cut to the field.
// The six pattern strings are formatted as the callers do ("%04X", "%04x",
// revision "0200"). Checked against the rules read plainly: the last
// complete device before the walk ends whose first 30 identifier characters
// equal a pattern and whose port is "COM" and a number other than 0, short
// enough for portName.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "ports/usb_lookup.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct FakeDevice {
    UsbDeviceRead read;
    std::string hardwareId;  // as many bytes as the field takes, terminator or not
    std::string portName;
};

std::vector<FakeDevice> devices;
bool opened = false;
bool setOpen = false;

bool openFake(UsbDeviceSet* set)
{
    if (!opened)
        return false;
    setOpen = true;
    *set = 42;
    return true;
}

UsbDeviceRead readFake(UsbDeviceSet set, int index, UsbDevice* device)
{
    FUZZ_CHECK(set == 42 && setOpen, "reads only from the open set");
    FUZZ_CHECK(index >= 0 && index <= static_cast<int>(devices.size()), "indexes walk the set in order");
    if (index == static_cast<int>(devices.size()))
        return UsbDeviceRead::end;
    const FakeDevice& fake = devices[static_cast<size_t>(index)];
    // What the platform delivers: the fields filled, possibly to the last byte.
    memset(device, 'Z', sizeof *device);
    memcpy(device->hardwareId, fake.hardwareId.data(), fake.hardwareId.size());
    if (fake.hardwareId.size() < sizeof device->hardwareId)
        device->hardwareId[fake.hardwareId.size()] = '\0';
    memcpy(device->portName, fake.portName.data(), fake.portName.size());
    if (fake.portName.size() < sizeof device->portName)
        device->portName[fake.portName.size()] = '\0';
    return fake.read;
}

void closeFake(UsbDeviceSet set)
{
    FUZZ_CHECK(set == 42 && setOpen, "closes the set it opened, once");
    setOpen = false;
}

bool comNumberNotZero(const std::string& name)
{
    if (name.size() < 4 || toupper(static_cast<unsigned char>(name[0])) != 'C' ||
        toupper(static_cast<unsigned char>(name[1])) != 'O' || toupper(static_cast<unsigned char>(name[2])) != 'M')
        return false;
    bool digits = false, nonZero = false;
    for (size_t i = 3; i < name.size() && isdigit(static_cast<unsigned char>(name[i])); ++i) {
        digits = true;
        nonZero = nonZero || name[i] != '0';
    }
    return digits && nonZero;
}

// The text the product sees in a field of size bytes: the bytes up to the
// first zero, the last byte of the field being forced to zero.
std::string fieldText(const std::string& bytes, size_t size)
{
    std::string text = bytes.substr(0, size - 1);
    return text.substr(0, strlen(text.c_str()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4 || size > 65536)
        return 0;
    fuzzFreshState();
    const uint32_t vidPid = static_cast<uint32_t>(data[0]) << 24 | static_cast<uint32_t>(data[1]) << 16 |
                            static_cast<uint32_t>(data[2]) << 8 | data[3];
    devices.clear();
    opened = true;
    std::string record;
    auto takeRecord = [&]() {
        if (record.empty())
            return;
        FakeDevice fake;
        fake.read = static_cast<UsbDeviceRead>(static_cast<uint8_t>(record[0]) % 5);
        const size_t tab = record.find('\t', 1);
        fake.hardwareId = record.substr(1, tab == std::string::npos ? std::string::npos : tab - 1);
        fake.portName = tab == std::string::npos ? "" : record.substr(tab + 1);
        if (fake.hardwareId.size() > static_cast<size_t>(usbHardwareIdSize))
            fake.hardwareId.resize(usbHardwareIdSize);
        if (fake.portName.size() > static_cast<size_t>(usbPortNameSize))
            fake.portName.resize(usbPortNameSize);
        devices.push_back(fake);
    };
    for (size_t i = 4; i < size; ++i) {
        if (data[i] == '\n') {
            takeRecord();
            record.clear();
        } else {
            record += static_cast<char>(data[i]);
        }
    }
    takeRecord();

    char vidUpper[8], pidUpper[8], vidLower[8], pidLower[8];
    snprintf(vidUpper, sizeof vidUpper, "%04X", vidPid >> 16);
    snprintf(pidUpper, sizeof pidUpper, "%04X", vidPid & 0xFFFF);
    snprintf(vidLower, sizeof vidLower, "%04x", vidPid >> 16);
    snprintf(pidLower, sizeof pidLower, "%04x", vidPid & 0xFFFF);
    const std::string upper = std::string("USB\\VID_") + vidUpper + "&PID_" + pidUpper + "&REV_0200";
    const std::string lower = std::string("USB\\Vid_") + vidLower + "&Pid_" + pidLower + "&Rev_0200";

    bool expectFound = false;
    std::string expectPort;
    for (const FakeDevice& fake : devices) {
        if (fake.read == UsbDeviceRead::end || fake.read == UsbDeviceRead::noHardwareKey)
            break;
        if (fake.read != UsbDeviceRead::complete)
            continue;
        const std::string id = fieldText(fake.hardwareId, usbHardwareIdSize);
        const std::string port = fieldText(fake.portName, usbPortNameSize);
        if (!comNumberNotZero(port) || port.size() >= static_cast<size_t>(portNameSize))
            continue;
        if (id.compare(0, 30, upper, 0, 30) == 0 || id.compare(0, 30, lower, 0, 30) == 0) {
            expectFound = true;
            expectPort = port;
        }
    }

    char portName[portNameSize];
    memset(portName, 'X', sizeof portName);
    const UsbDeviceSource source{openFake, readFake, closeFake};
    const bool found = findUsbPortIn(source, portName, vidUpper, pidUpper, "0200", vidLower, pidLower, "0200");
    FUZZ_CHECK(!setOpen, "the set is closed again");
    FUZZ_CHECK(found == expectFound, "a device matches exactly when the rules say so");
    if (found)
        FUZZ_CHECK(memchr(portName, '\0', sizeof portName) != nullptr && expectPort == portName,
                   "the port of the last matching device");

    // A set that cannot be opened finds nothing.
    opened = false;
    FUZZ_CHECK(!findUsbPortIn(source, portName, vidUpper, pidUpper, "0200", vidLower, pidLower, "0200"),
               "no set, no port");
    return 0;
}
