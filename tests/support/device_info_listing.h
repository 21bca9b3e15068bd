// A DeviceInfo as text, one "name: 0xVALUE" line per field, so that tests
// compare whole records and a mismatch names the field.
#pragma once
#include "tests/support/sample_firmware_info.h"
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
