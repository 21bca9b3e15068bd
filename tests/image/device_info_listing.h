// A DeviceInfo as text, one "name: 0xVALUE" line per field, so that tests
// compare whole records and a mismatch names the field.
#pragma once
#include <cstdio>
#include <string>

#include "link/device_info.h"

inline std::string deviceInfoListing(const DeviceInfo& info)
{
    const struct {
        const char* name;
        uint32_t value;
    } fields[] = {
        {"interfaceCode", info.interfaceCode},     {"interfaceVersion", info.interfaceVersion},
        {"interfaceParameter", info.interfaceParameter}, {"barcode", info.barcode},
        {"cipherId", info.cipherId},               {"deviceType", info.deviceType},
        {"hardware", info.hardware},               {"softwareVersion", info.softwareVersion},
        {"vidPid", info.vidPid},                   {"flashStart", info.flashStart},
        {"flashEnd", info.flashEnd},               {"eepromStart", info.eepromStart},
        {"eepromEnd", info.eepromEnd},
    };
    std::string text;
    for (const auto& field : fields) {
        char line[64];
        snprintf(line, sizeof line, "%s: 0x%08X\n", field.name, static_cast<unsigned>(field.value));
        text += line;
    }
    return text;
}

// The sample firmware's records (resources/firmware/karvo7_krm_1_05.hex).
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
