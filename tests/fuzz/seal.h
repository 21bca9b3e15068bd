// Sealing: makes fuzzed bytes pass the CRC-8 that guards a packed image
// packet or a link frame, so that the checks behind it (length byte, count,
// device information) meet fuzzed values too. A mutated input passes a CRC-8
// once in 256 tries; a sealed one always does.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "link/crc8.h"
#include "link/packet_keys.h"

// The entry of table whose low byte is b, by a plain scan (not the code
// under test's search).
inline bool fuzzTableKey(const PacketKey* table, uint8_t b, PacketKey* key)
{
    for (int i = 0; i < keyTableSize; ++i)
        if (static_cast<uint8_t>(table[i]) == b) {
            *key = table[i];
            return true;
        }
    return false;
}

// XOR with the key's bytes, most significant first, group by group, stopping
// at the end of the bytes (no room past them is needed).
inline void fuzzMask(PacketKey key, uint8_t* bytes, int length)
{
    for (int i = 0; i < length; ++i)
        bytes[i] ^= static_cast<uint8_t>(key >> (8 * (3 - i % 4)));
}

// Repairs the CRC of a masked packet or frame: unmasks bytes[1 .. length - 1]
// with the key of bytes[0], puts the CRC-8 of bytes[1 .. length - 2] at
// length - 1 and masks again. A sound packet or frame comes out unchanged, so
// real images and frames serve as seeds of the sealed runs too. Without a
// key (or with fewer than 3 bytes) the bytes are left as they are.
inline void fuzzSeal(const PacketKey* table, uint8_t* bytes, int length)
{
    PacketKey key = 0;
    if (length < 3 || !fuzzTableKey(table, bytes[0], &key))
        return;
    fuzzMask(key, bytes + 1, length - 1);
    bytes[length - 1] = crc8(bytes + 1, static_cast<uint8_t>(length - 2));
    fuzzMask(key, bytes + 1, length - 1);
}
