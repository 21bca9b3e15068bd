// Finds the COM port of a USB reader by its vendor and product identifiers
// and revision, among the system's present USB devices.
#pragma once

#include "ports/usb_devices.h"

// An enumeration of USB devices: the system's (ports/usb_devices.h) or
// another one with the same three operations.
struct UsbDeviceSource {
    bool (*open)(UsbDeviceSet* set);
    UsbDeviceRead (*read)(UsbDeviceSet set, int index, UsbDevice* device);
    void (*close)(UsbDeviceSet set);
};

// True when at least one present device's first hardware identifier begins
// (30 characters) with "USB\VID_<vidUpper>&PID_<pidUpper>&REV_<revUpper>" or
// "USB\Vid_<vidLower>&Pid_<pidLower>&Rev_<revLower>" and its port is a COM
// port; portName (portNameSize bytes) then holds the port of the last such
// device. A device without a hardware key ends the walk.
bool findUsbPort(char* portName, const char* vidUpper, const char* pidUpper, const char* revUpper,
                 const char* vidLower, const char* pidLower, const char* revLower);

// The same walk over the given enumeration.
bool findUsbPortIn(const UsbDeviceSource& source, char* portName, const char* vidUpper, const char* pidUpper,
                   const char* revUpper, const char* vidLower, const char* pidLower, const char* revLower);

// "COM" in any case followed by a decimal number other than 0.
bool isComPortName(const char* name);
