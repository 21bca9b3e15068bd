#include "ports/usb_lookup.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/app_state.h"

namespace {

constexpr size_t comparedLength = 30;
constexpr int patternSize = 64;

}  // namespace

bool isComPortName(const char* name)
{
    for (int i = 0; i < 3; ++i)
        if (toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return false;
    int number = 0;
    bool digits = false;
    for (const char* p = name + 3; isdigit(static_cast<unsigned char>(*p)) && number < 100000; ++p) {
        number = number * 10 + (*p - '0');
        digits = true;
    }
    return digits && number != 0;
}

bool findUsbPortIn(const UsbDeviceSource& source, char* portName, const char* vidUpper, const char* pidUpper,
                   const char* revUpper, const char* vidLower, const char* pidLower, const char* revLower)
{
    char upper[patternSize];
    char lower[patternSize];
    snprintf(upper, sizeof upper, "USB\\VID_%s&PID_%s&REV_%s", vidUpper, pidUpper, revUpper);
    snprintf(lower, sizeof lower, "USB\\Vid_%s&Pid_%s&Rev_%s", vidLower, pidLower, revLower);

    UsbDeviceSet set = 0;
    if (!source.open(&set))
        return false;
    bool found = false;
    for (int index = 0;; ++index) {
        UsbDevice device{};
        const UsbDeviceRead read = source.read(set, index, &device);
        if (read == UsbDeviceRead::end || read == UsbDeviceRead::noHardwareKey)
            break;
        if (read != UsbDeviceRead::complete)
            continue;
        device.hardwareId[usbHardwareIdSize - 1] = '\0';
        device.portName[usbPortNameSize - 1] = '\0';
        if (!isComPortName(device.portName))
            continue;
        // A port name too long for portName would be cut into another
        // port's name; such a port is not taken.
        if (strlen(device.portName) >= static_cast<size_t>(portNameSize))
            continue;
        if (strncmp(device.hardwareId, upper, comparedLength) == 0 ||
            strncmp(device.hardwareId, lower, comparedLength) == 0) {
            // Not the end of the walk: with several readers the last one counts.
            memcpy(portName, device.portName, strlen(device.portName) + 1);
            found = true;
        }
    }
    source.close(set);
    return found;
}

bool findUsbPort(char* portName, const char* vidUpper, const char* pidUpper, const char* revUpper,
                 const char* vidLower, const char* pidLower, const char* revLower)
{
    const UsbDeviceSource system{openUsbDevices, readUsbDevice, closeUsbDevices};
    return findUsbPortIn(system, portName, vidUpper, pidUpper, revUpper, vidLower, pidLower, revLower);
}
