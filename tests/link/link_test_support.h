// Helpers of the link tests: an independent unmasking of a frame and the
// identity of the project's sample firmware.
#pragma once
#include <cstdint>
#include <vector>

#include "link/device_info.h"
#include "link/packet_keys.h"

// The table entry whose low byte is b, found by a plain scan; 0 if none.
inline PacketKey tableKeyOf(uint8_t b, bool* found)
{
    for (int i = 0; i < keyTableSize; ++i)
        if (static_cast<uint8_t>(packetKeyTable[i]) == b) {
            *found = true;
            return packetKeyTable[i];
        }
    *found = false;
    return 0;
}

// The frame with every byte after the key byte XORed with the key, most
// significant key byte first, group by group.
inline std::vector<uint8_t> plainFrame(const uint8_t* frame, int length)
{
    bool found = false;
    const PacketKey key = tableKeyOf(frame[0], &found);
    std::vector<uint8_t> plain(frame, frame + length);
    for (int i = 1; i < length; ++i)
        plain[i] ^= static_cast<uint8_t>(key >> (8 * (3 - (i - 1) % 4)));
    return plain;
}

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
