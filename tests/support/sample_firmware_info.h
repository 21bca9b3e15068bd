// What the project's sample firmware (resources/firmware/karvo7_krm_1_05.hex)
// declares in its configuration records.
#pragma once
#include "link/device_info.h"

inline DeviceInfo sampleFirmwareInfo()
{
    DeviceInfo info{};
    info.interfaceCode = 0x61;
    info.interfaceVersion = 0x0100;
    info.interfaceParameter = 128;
    info.barcode = 12345678;
    info.cipherId = 0x0A000001;
    info.deviceType = 0x0C01;
    info.hardware = 0x00010203;
    info.softwareVersion = 0x0105;
    info.vidPid = 0x1234ABCD;
    info.flashStart = 0x08000000;
    info.flashEnd = 0x08040000;
    info.eepromStart = 0x08080000;
    info.eepromEnd = 0x08081000;
    return info;
}
