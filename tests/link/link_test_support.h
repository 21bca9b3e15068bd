// Helpers of the link tests: an independent unmasking of a frame and the
// identity of the project's sample firmware.
#pragma once
#include "tests/support/sample_firmware_info.h"
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
