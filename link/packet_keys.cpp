#include "link/packet_keys.h"

#include <cstdlib>

#include "app/system.h"

void maskBytes(PacketKey key, uint8_t* bytes, uint8_t length)
{
    for (unsigned o = 0; o < length; o += 4) {
        bytes[o] ^= static_cast<uint8_t>(key >> 24);
        bytes[o + 1] ^= static_cast<uint8_t>(key >> 16);
        bytes[o + 2] ^= static_cast<uint8_t>(key >> 8);
        bytes[o + 3] ^= static_cast<uint8_t>(key);
    }
}

bool findKeyInTable(const PacketKey* table, uint8_t lowByte, PacketKey* key)
{
    for (int i = 0; i < keyTableSize; ++i) {
        if (static_cast<uint8_t>(table[i]) == lowByte) {
            *key = table[i];
            return true;
        }
    }
    return false;
}

bool findPacketKey(uint8_t lowByte, PacketKey* key)
{
    return findKeyInTable(packetKeyTable, lowByte, key);
}

PacketKey pickKeyFromTable(const PacketKey* table)
{
    srand(localTimeSeed());
    return table[rand() % keyTableSize];
}

PacketKey pickPacketKey()
{
    return pickKeyFromTable(packetKeyTable);
}

int randomByteWithToggle(bool* toggle)
{
    unsigned seed = localTimeSeed();
    if (!*toggle) {
        *toggle = true;
    } else {
        *toggle = false;
        seed = ~seed;
    }
    srand(seed);
    return rand();
}

static bool linkFillerToggle = false;

int randomByte()
{
    return randomByteWithToggle(&linkFillerToggle);
}
