// The system's present USB devices, one at a time, as the USB port lookup
// needs them: the first hardware identifier ("USB\VID_1234&PID_ABCD&REV_0200")
// and the name of the device's COM port. SetupAPI and the device's registry
// key on Windows, sysfs on Linux.
#pragma once
#include <cstdint>

constexpr int usbHardwareIdSize = 512;  // the property is read into 1024 bytes of wide characters
constexpr int usbPortNameSize = 20;     // "PortName" holds at most 19 characters

// Both texts narrowed to single bytes and terminated.
struct UsbDevice {
    char hardwareId[usbHardwareIdSize];
    char portName[usbPortNameSize];
};

enum class UsbDeviceRead : uint8_t {
    complete,       // both texts were read
    noHardwareId,   // the hardware identifier could not be read
    noHardwareKey,  // the device has no hardware key to read the port name from
    noPortName,     // the key holds no "PortName" string
    end,            // there is no device at this index: the enumeration is over
};

using UsbDeviceSet = intptr_t;

// Takes the set of present USB devices of all classes; false when the system
// cannot give it.
bool openUsbDevices(UsbDeviceSet* set);
// The device at index (0, 1, 2, ...) of the set.
UsbDeviceRead readUsbDevice(UsbDeviceSet set, int index, UsbDevice* device);
void closeUsbDevices(UsbDeviceSet set);
