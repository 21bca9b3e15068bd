// Helpers of the link tests: the identity of the project's sample firmware
// and an unmasking of a frame apart from the link code.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/crc8.h"
#include "link/packet_keys.h"
#include "tests/support/sample_firmware_info.h"

// The plain frame: the key is the table entry named by the key byte, and
// every byte after it is XORed with the key, most significant byte first.
inline std::vector<uint8_t> plainFrame(const uint8_t* frame, int length)
{
    PacketKey key = 0;
    for (int i = 0; i < keyTableSize; ++i)
        if (static_cast<uint8_t>(packetKeyTable[i]) == frame[0])
            key = packetKeyTable[i];
    EXPECT_NE(key, 0u) << "key byte of no table entry";
    std::vector<uint8_t> plain(frame, frame + length);
    for (int i = 1; i < length; ++i)
        plain[i] ^= static_cast<uint8_t>(key >> (8 * (3 - (i - 1) % 4)));
    EXPECT_EQ(crc8(plain.data() + 1, static_cast<uint8_t>(length - 2)), plain[length - 1]) << "CRC";
    return plain;
}
